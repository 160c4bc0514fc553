#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// An RGB picture in memory, one 0x00RRGGBB word per pixel, rows top to bottom. Both the
// window and the image file draw into one of these, so they show the same pixels.
struct PixelCanvas {
    PixelCanvas() = default;
    PixelCanvas(int32_t width, int32_t height, uint32_t colour = 0);

    uint32_t at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool contains(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }

    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

constexpr uint32_t rgb(uint32_t red, uint32_t green, uint32_t blue) {
    return (red << 16) | (green << 8) | blue;
}

// Fills the pixels x in [left, right), y in [top, bottom), clipped to the canvas: the
// rectangle of a one-pixel pen and a brush of the same colour.
void fillRectangle(PixelCanvas& canvas, int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour);

// Draws a one-pixel solid line between two pixels, both end pixels included, clipped to the
// canvas. The pixels are those of Bresenham's line stepped along the longer axis from the end
// with the smaller coordinate on that axis, the other coordinate rounded half up, so a line
// drawn in either direction covers the same pixels. The ends are whole pixel positions that
// may lie anywhere, even far outside the canvas (a line with a non-finite end is not drawn);
// the work is bounded by the canvas size.
void drawLine(PixelCanvas& canvas, double x0, double y0, double x1, double y1, uint32_t colour);
