#pragma once

#include "preview/PixelCanvas.h"

#include <string>

struct SDL_Window;
typedef struct _TTF_Font TTF_Font;

// The busy window's layout in pixels: the dialog of 266 x 143 dialog units in the 8-point
// dialog font (base units 6 x 13: x * 6 / 4, y * 13 / 8, rounded), inside a one-pixel thin
// border. The animation sits at the client's top-left, the logo right of it, the status line
// (8, 129, 249 x 8 units) below.
namespace busylayout {
constexpr int dialogUnitsToPixelsX(int units) {
    return (units * 6 + 2) / 4;
}
constexpr int dialogUnitsToPixelsY(int units) {
    return (units * 13 + 4) / 8;
}
constexpr int border = 1;
constexpr int clientWidth = dialogUnitsToPixelsX(266);
constexpr int clientHeight = dialogUnitsToPixelsY(143);
constexpr int windowWidth = clientWidth + 2 * border;
constexpr int windowHeight = clientHeight + 2 * border;
constexpr int logoX = 200;
constexpr int textX = dialogUnitsToPixelsX(8), textY = dialogUnitsToPixelsY(129);
constexpr int textWidth = dialogUnitsToPixelsX(249), textHeight = dialogUnitsToPixelsY(8);
} // namespace busylayout

// The busy window on the display: a borderless window centred on the screen showing the
// current animation frame, the logo and the status text. Every call takes the display lock.
class BusyWindow {
public:
    BusyWindow() = default;
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;
    ~BusyWindow() { close(); }

    // Opens the window showing `text`; false when it cannot be created. Main thread.
    bool open(const std::string& text);
    // Shows another status text at once. Main thread.
    void setText(const std::string& text);
    // Paints one animation frame, when it is cut. Timer thread.
    void paintFrame(int index);
    // Removes the window; harmless when not open. Main thread.
    void close();

private:
    void drawFace(const std::string& text);
    void present(int frameIndex);

    SDL_Window* window_ = nullptr;
    TTF_Font* font_ = nullptr;
    PixelCanvas face_;    // all but the animation
    PixelCanvas picture_; // the face with the current frame, as shown
    int shownFrame_ = -1;
};
