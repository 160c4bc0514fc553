#include "MessageBox.h"

#include <cstdio>
#include <mutex>

namespace {

struct MessageBoxState {
    std::mutex mutex;
    std::vector<Notification> shown;
    std::function<void(const Notification&)> presenter;
};

MessageBoxState& state() {
    static MessageBoxState instance;
    return instance;
}

} // namespace

int MessageBoxA(MNativeWindowHdl owner, const char* text, const char* caption, unsigned type) {
    Notification notification{owner, text ? text : "", caption ? caption : "", type};
    std::function<void(const Notification&)> presenter;
    {
        std::lock_guard lock(state().mutex);
        state().shown.push_back(notification);
        presenter = state().presenter;
    }
    if (presenter) {
        presenter(notification);
    } else {
        std::fprintf(stderr, "%s: %s\n", notification.caption.c_str(), notification.text.c_str());
        std::fflush(stderr);
    }
    return IDOK;
}

std::vector<Notification> shownNotifications() {
    std::lock_guard lock(state().mutex);
    return state().shown;
}

void clearShownNotifications() {
    std::lock_guard lock(state().mutex);
    state().shown.clear();
}

void setMessageBoxPresenter(std::function<void(const Notification&)> presenter) {
    std::lock_guard lock(state().mutex);
    state().presenter = std::move(presenter);
}
