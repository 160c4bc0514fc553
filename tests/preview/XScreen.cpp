#include "XScreen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <thread>

namespace {

// A window may vanish between listing and querying it; such errors are not failures here.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

// The window's title: _NET_WM_NAME (UTF-8) when set, else WM_NAME.
std::string titleOf(Display* display, ::Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::string title;
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &remaining, &data) ==
            Success &&
        data) {
        title.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
        if (!title.empty()) return title;
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        title = name;
        XFree(name);
    }
    return title;
}

} // namespace

XScreen::XScreen() {
    XSetErrorHandler(ignoreErrors);
    display_ = XOpenDisplay(nullptr);
}

XScreen::~XScreen() {
    if (display_) XCloseDisplay(display_);
}

int XScreen::screenWidth() const {
    return DisplayWidth(display_, DefaultScreen(display_));
}

int XScreen::screenHeight() const {
    return DisplayHeight(display_, DefaultScreen(display_));
}

XScreen::Window XScreen::find(const std::string& title) {
    ::Window root = DefaultRootWindow(display_), parent = 0, *children = nullptr;
    unsigned count = 0;
    Window found;
    if (!XQueryTree(display_, root, &root, &parent, &children, &count)) return found;
    for (unsigned i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        if (titleOf(display_, children[i]) == title && XGetWindowAttributes(display_, children[i], &attributes) &&
            attributes.map_state == IsViewable)
            found = refresh(Window{children[i]});
    }
    if (children) XFree(children);
    return found;
}

XScreen::Window XScreen::refresh(const Window& window) {
    XWindowAttributes attributes;
    ::Window child = 0;
    Window result{window.id};
    if (!XGetWindowAttributes(display_, window.id, &attributes)) return Window{};
    XTranslateCoordinates(display_, window.id, DefaultRootWindow(display_), 0, 0, &result.x, &result.y, &child);
    result.width = attributes.width;
    result.height = attributes.height;
    return result;
}

XScreen::Window XScreen::waitForWindow(const std::string& title, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Window window = find(title)) return window;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return Window{};
}

bool XScreen::waitUntilGone(const std::string& title, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!find(title)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

PixelCanvas XScreen::grabArea(unsigned long drawable, int x, int y, int width, int height) {
    PixelCanvas canvas;
    XImage* image = XGetImage(display_, drawable, x, y, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image) return canvas;
    canvas = PixelCanvas(width, height);
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            canvas.pixels[size_t(row) * width + column] = uint32_t(XGetPixel(image, column, row)) & 0xFFFFFFu;
    XDestroyImage(image);
    return canvas;
}

PixelCanvas XScreen::grab(const Window& window) {
    const Window now = refresh(window);
    // Read from the screen, so that what is shown is what is checked.
    return now ? grabArea(DefaultRootWindow(display_), now.x, now.y, now.width, now.height) : PixelCanvas{};
}

PixelCanvas XScreen::grabScreen() {
    return grabArea(DefaultRootWindow(display_), 0, 0, screenWidth(), screenHeight());
}

void XScreen::resize(const Window& window, int width, int height) {
    XResizeWindow(display_, window.id, unsigned(width), unsigned(height));
    XFlush(display_);
}

void XScreen::pressEscape(const Window& window) {
    XEvent event{};
    event.xkey.type = KeyPress;
    event.xkey.display = display_;
    event.xkey.window = window.id;
    event.xkey.root = DefaultRootWindow(display_);
    event.xkey.same_screen = True;
    event.xkey.keycode = XKeysymToKeycode(display_, XK_Escape);
    event.xkey.time = CurrentTime;
    XSetInputFocus(display_, window.id, RevertToParent, CurrentTime);
    XSendEvent(display_, window.id, True, KeyPressMask, &event);
    event.xkey.type = KeyRelease;
    XSendEvent(display_, window.id, True, KeyReleaseMask, &event);
    XFlush(display_);
}

void XScreen::clickCloseBox(const Window& window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window.id;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window.id, False, NoEventMask, &event);
    XFlush(display_);
}
