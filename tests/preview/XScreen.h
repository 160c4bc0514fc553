#pragma once

#include "preview/PixelCanvas.h"

#include <chrono>
#include <string>

// What a user sees and does on the X display, through a connection of its own: finds the
// program's windows by title, reads their pixels back from the server, resizes and closes
// them and presses keys in them. For tests under Xvfb.
class XScreen {
public:
    XScreen();
    ~XScreen();
    XScreen(const XScreen&) = delete;
    XScreen& operator=(const XScreen&) = delete;

    bool connected() const { return display_ != nullptr; }

    struct Window {
        unsigned long id = 0;
        int x = 0, y = 0, width = 0, height = 0; // client area on the screen
        explicit operator bool() const { return id != 0; }
    };

    // The viewable top-level window with this title, waiting for it up to `timeout`.
    Window waitForWindow(const std::string& title, std::chrono::milliseconds timeout);
    // The window's geometry now (zero id when it is gone).
    Window refresh(const Window& window);
    // True once no viewable window has this title, waiting up to `timeout`.
    bool waitUntilGone(const std::string& title, std::chrono::milliseconds timeout);

    PixelCanvas grab(const Window& window);
    PixelCanvas grabScreen();
    int screenWidth() const;
    int screenHeight() const;

    void resize(const Window& window, int width, int height);
    void pressEscape(const Window& window);
    // What the window manager sends when the user clicks the close box.
    void clickCloseBox(const Window& window);

private:
    Window find(const std::string& title);
    PixelCanvas grabArea(unsigned long drawable, int x, int y, int width, int height);

    struct _XDisplay* display_ = nullptr;
};
