#pragma once

#include "M3dView.h"

#include <functional>
#include <string>
#include <vector>

// The platform's modal message box. Every box is printed as a visible notification on the
// error stream and remembered; where a display is open, a presenter shows it for real.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;

struct Notification {
    MNativeWindowHdl owner = 0;
    std::string text;
    std::string caption;
    unsigned type = MB_OK;
};

// Shows the box and returns when it is closed (IDOK).
int MessageBoxA(MNativeWindowHdl owner, const char* text, const char* caption, unsigned type);

std::vector<Notification> shownNotifications();
void clearShownNotifications();
// Replaces the real presentation of boxes (the terminal line and the record stay).
void setMessageBoxPresenter(std::function<void(const Notification&)> presenter);
