#include "preview/PreviewWindow.h"

#include "preview/DisplayConnection.h"
#include "preview/PreviewDrawing.h"
#include "preview/WindowSurface.h"

#include <SDL.h>

#include <cassert>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// How often the window looks for events; the display lock is free in between, so the busy
// window's timer can paint.
constexpr std::chrono::milliseconds eventInterval(10);

// Creates the window and gives it its first placement. The caller holds the display lock.
SDL_Window* openPreviewWindow() {
    SDL_Rect screen{0, 0, 1024, 768};
    SDL_GetDisplayBounds(0, &screen);
    SDL_Window* window = SDL_CreateWindow("Varnelle Unwrap Preview", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          screen.w / 2, screen.h / 2, SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
    if (!window) return nullptr;
    SDL_ShowWindow(window);
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0) top = left = bottom = right = 0;
    const WindowPlacement placement = initialPlacement(screen.w, screen.h, left + right, top + bottom);
    SDL_SetWindowSize(window, placement.clientSide, placement.clientSide);
    SDL_SetWindowPosition(window, screen.x + placement.x + left, screen.y + placement.y + top);
    SDL_RaiseWindow(window);
    return window;
}

// The window's picture, redrawn only when the client size changes.
struct PreviewPicture {
    int width = -1, height = -1;
    PixelCanvas canvas;

    void show(SDL_Window* window, const PreviewRender& render) {
        int w = 0, h = 0;
        SDL_GetWindowSize(window, &w, &h);
        if (w != width || h != height) {
            width = w, height = h;
            canvas = PixelCanvas(w, h);
            drawPreview(render, fitSquare(w, h), canvas);
        }
        showCanvas(window, canvas, 0, 0);
    }
};

// Handles the waiting events; false once the user has closed the window.
bool handleEvents(uint32_t windowId, bool& repaint) {
    SDL_Event event;
    bool open = true;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) open = false;
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE &&
            (event.key.windowID == windowId || event.key.windowID == 0))
            open = false;
        if (event.type != SDL_WINDOWEVENT || event.window.windowID != windowId) continue;
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) open = false;
        if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED || event.window.event == SDL_WINDOWEVENT_EXPOSED ||
            event.window.event == SDL_WINDOWEVENT_SHOWN)
            repaint = true;
    }
    return open;
}

} // namespace

void showPreviewWindow(const PreviewRender& render) {
    assert(displayOpen());
    SDL_Window* window = nullptr;
    uint32_t windowId = 0;
    {
        auto lock = lockDisplay();
        window = openPreviewWindow();
        if (!window) {
            std::fprintf(stderr, "varnelle: cannot open the preview window: %s\n", SDL_GetError());
            return;
        }
        windowId = SDL_GetWindowID(window);
    }
    PreviewPicture picture;
    bool repaint = true, open = true;
    while (open) {
        {
            auto lock = lockDisplay();
            open = handleEvents(windowId, repaint);
            if (open && repaint) picture.show(window, render);
            repaint = false;
        }
        std::this_thread::sleep_for(eventInterval);
    }
    auto lock = lockDisplay();
    SDL_DestroyWindow(window);
}
