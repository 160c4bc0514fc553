#include "preview/ProgressWindow.h"

#include "preview/BusyAnimation.h"
#include "preview/BusyWindow.h"
#include "preview/FrameTimer.h"
#include "preview/TerminalProgress.h"

#include <atomic>
#include <cstdio>

namespace {

constexpr std::chrono::milliseconds frameInterval(40);

struct ProgressState {
    // The frames are made first so that they outlive the timer that paints them, also when
    // the program ends with the indicator open.
    ProgressState() { busyFrame(0); }

    ProgressDisplay display = ProgressDisplay::Silent;
    bool active = false;
    std::string text;
    std::atomic<int> frame{0};
    BusyWindow window;
    FrameTimer timer;
    TerminalProgress terminal{stderr};
};

ProgressState& state() {
    static ProgressState instance;
    return instance;
}

// The frame timer: paints the current frame, then moves on, wrapping from the last to 0.
void paintNextFrame() {
    ProgressState& progress = state();
    const int frame = progress.frame.load();
    progress.window.paintFrame(frame);
    progress.frame.store((frame + 1) % busyFrameCount);
}

} // namespace

void ProgressWindow::start(const char* text) {
    stop();
    ProgressState& progress = state();
    progress.text = text ? text : "";
    progress.active = true;
    progress.frame = 0;
    if (progress.display == ProgressDisplay::Window && progress.window.open(progress.text))
        progress.timer.start(frameInterval, paintNextFrame);
    if (progress.display == ProgressDisplay::Terminal) progress.terminal.start(progress.text);
}

void ProgressWindow::setText(const char* text) {
    ProgressState& progress = state();
    progress.text = text ? text : "";
    progress.window.setText(progress.text);
    progress.terminal.setText(progress.text);
}

void ProgressWindow::stop() {
    ProgressState& progress = state();
    progress.timer.stop();
    progress.window.close();
    progress.terminal.stop();
    progress.active = false;
    progress.text.clear();
}

std::string ProgressWindow::text() {
    return state().text;
}

bool ProgressWindow::active() {
    return state().active;
}

void ProgressWindow::setDisplay(ProgressDisplay display) {
    stop();
    state().display = display;
}

ProgressDisplay ProgressWindow::display() {
    return state().display;
}

void ProgressWindow::printLine(const std::string& line) {
    state().terminal.printLine(line);
}
