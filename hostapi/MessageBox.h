#pragma once

#include "M3dView.h"

#include <functional>
#include <string>
#include <vector>

// The platform's modal message box. Every box is remembered and shown: by default as the line
// "CAPTION: TEXT" on the error stream; the program may install a presenter that shows it
// otherwise (a message box on the display, a line that keeps a progress indicator intact).
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
// Replaces the presentation of boxes (the record stays); an empty presenter restores the
// error-stream line.
void setMessageBoxPresenter(std::function<void(const Notification&)> presenter);
