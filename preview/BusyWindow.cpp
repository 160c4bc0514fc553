#include "preview/BusyWindow.h"

#include "preview/BusyAnimation.h"
#include "preview/DialogFont.h"
#include "preview/DisplayConnection.h"
#include "preview/WindowSurface.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>

namespace {

constexpr uint32_t dialogFace = rgb(240, 240, 240);
constexpr uint32_t thinBorder = rgb(100, 100, 100);

void copyInto(PixelCanvas& target, const PixelCanvas& source, int left, int top) {
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x)
            if (target.contains(left + x, top + y))
                target.pixels[size_t(top + y) * target.width + left + x] = source.at(x, y);
}

// The text as black on the dialog's face, centred in the status line and clipped to it.
void drawStatusText(PixelCanvas& face, TTF_Font* font, const std::string& text) {
    using namespace busylayout;
    if (!font || text.empty()) return;
    SDL_Surface* rendered =
        TTF_RenderUTF8_Shaded(font, text.c_str(), SDL_Color{0, 0, 0, 255}, SDL_Color{240, 240, 240, 255});
    if (!rendered) return;
    SDL_Surface* converted = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_RGB888, 0);
    SDL_FreeSurface(rendered);
    if (!converted) return;
    const int left = border + textX + std::max(0, (textWidth - converted->w) / 2);
    const int top = border + textY;
    const int right = std::min(border + textX + textWidth, left + converted->w);
    const int bottom = std::min(top + textHeight, top + converted->h);
    for (int y = top; y < bottom; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const char*>(converted->pixels) +
                                                            size_t(y - top) * converted->pitch);
        for (int x = left; x < right; ++x)
            face.pixels[size_t(y) * face.width + x] = row[x - left] & 0xFFFFFFu;
    }
    SDL_FreeSurface(converted);
}

} // namespace

bool BusyWindow::open(const std::string& text) {
    using namespace busylayout;
    auto lock = lockDisplay();
    if (window_) return true;
    SDL_Rect screen{0, 0, windowWidth, windowHeight};
    SDL_GetDisplayBounds(0, &screen);
    // Centred over the desktop, as a dialog without owner is.
    window_ =
        SDL_CreateWindow("Varnelle", screen.x + (screen.w - windowWidth) / 2, screen.y + (screen.h - windowHeight) / 2,
                         windowWidth, windowHeight, SDL_WINDOW_BORDERLESS | SDL_WINDOW_SKIP_TASKBAR);
    if (!window_) return false;
    font_ = openDialogFont();
    drawFace(text);
    present(-1);
    return true;
}

void BusyWindow::setText(const std::string& text) {
    auto lock = lockDisplay();
    if (!window_) return;
    drawFace(text);
    present(shownFrame_);
}

void BusyWindow::paintFrame(int index) {
    auto lock = lockDisplay();
    if (!window_) return;
    if (!busyFrame(index)) {
        prepareBusyAnimation();
        return;
    }
    present(index);
}

void BusyWindow::close() {
    auto lock = lockDisplay();
    if (!window_) return;
    closeDialogFont(font_);
    font_ = nullptr;
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    shownFrame_ = -1;
}

void BusyWindow::drawFace(const std::string& text) {
    using namespace busylayout;
    face_ = PixelCanvas(windowWidth, windowHeight, thinBorder);
    fillRectangle(face_, border, border, border + clientWidth, border + clientHeight, dialogFace);
    copyInto(face_, busyLogo(), border + logoX, border);
    // The logo may reach past the client area; the border stays.
    fillRectangle(face_, windowWidth - border, 0, windowWidth, windowHeight, thinBorder);
    drawStatusText(face_, font_, text);
}

void BusyWindow::present(int frameIndex) {
    picture_ = face_;
    if (const PixelCanvas* frame = busyFrame(frameIndex)) {
        copyInto(picture_, *frame, busylayout::border, busylayout::border);
        shownFrame_ = frameIndex;
    }
    showCanvas(window_, picture_, 0, 0);
}
