#include "preview/DisplayConnection.h"

#include <SDL.h>

#include <cstdlib>

namespace {

std::mutex displayMutex;
bool isOpen = false;

} // namespace

bool openDisplay(std::string& problem) {
    std::lock_guard lock(displayMutex);
    if (isOpen) return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!x11 || !*x11) && (!wayland || !*wayland)) {
        problem = "neither DISPLAY nor WAYLAND_DISPLAY is set";
        return false;
    }
    // Ctrl+C must still stop the program, not become a quit event nobody reads during a run.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Windows show their pictures through the display's own framebuffer: no GPU renderer,
    // which would recreate a window when its surface is first asked for and could not be
    // used from the timer thread.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        problem = SDL_GetError();
        return false;
    }
    // Without a display SDL may fall back to a driver that draws into memory; a window there
    // would wait for a user who never sees it.
    const std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
    if (driver.empty() || driver == "offscreen" || driver == "dummy") {
        problem = "SDL found only the video driver '" + driver + "'";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_Quit();
        return false;
    }
    isOpen = true;
    return true;
}

void closeDisplay() {
    std::lock_guard lock(displayMutex);
    if (!isOpen) return;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
    isOpen = false;
}

bool displayOpen() {
    std::lock_guard lock(displayMutex);
    return isOpen;
}

std::unique_lock<std::mutex> lockDisplay() {
    return std::unique_lock(displayMutex);
}
