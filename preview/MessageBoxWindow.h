#pragma once

#include <string>

// Shows a modal message box with an OK button on the display (which must be open) and
// returns when the user closes it. The busy window's animation pauses meanwhile.
void showMessageBoxWindow(const std::string& caption, const std::string& text);
