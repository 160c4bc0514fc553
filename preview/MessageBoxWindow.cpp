#include "preview/MessageBoxWindow.h"

#include "preview/DisplayConnection.h"

#include <SDL.h>

#include <cstdio>

void showMessageBoxWindow(const std::string& caption, const std::string& text) {
    auto lock = lockDisplay();
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption.c_str(), text.c_str(), nullptr) != 0)
        std::fprintf(stderr, "%s: %s (%s)\n", caption.c_str(), text.c_str(), SDL_GetError());
}
