#include "preview/ProgressWindow.h"

namespace {
bool isActive = false;
std::string statusText;
} // namespace

void ProgressWindow::start(const char* text) {
    statusText = text;
    isActive = true;
}

void ProgressWindow::setText(const char* text) {
    statusText = text;
}

void ProgressWindow::stop() {
    isActive = false;
    statusText.clear();
}

std::string ProgressWindow::text() {
    return statusText;
}

bool ProgressWindow::active() {
    return isActive;
}
