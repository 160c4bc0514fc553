#include "preview/PixelCanvas.h"

#include "hostapi/SegmentClipping.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

// Ends farther out than this are first clipped in floating point, so that the integer
// stepping below never overflows.
constexpr double farLimit = 16777216.0;

// Clips the segment to the square [-farLimit, farLimit]^2 and rounds its ends. False when
// nothing of it is inside.
bool clipFarEnds(double& x0, double& y0, double& x1, double& y1) {
    if (!clipSegmentToSquare(x0, y0, x1, y1, farLimit)) return false;
    x0 = std::round(x0), y0 = std::round(y0), x1 = std::round(x1), y1 = std::round(y1);
    return true;
}

// Steps along the major axis from `major0` for `length` steps; the minor coordinate moves
// `minorDelta` (with sign) in all, rounded half up. `plot(major, minor)` gets every pixel
// whose major coordinate lies in [0, majorSize).
template <typename Plot>
void stepLine(int64_t major0, int64_t minor0, int64_t length, int64_t minorDelta, int64_t majorSize, Plot plot) {
    const int64_t first = std::max<int64_t>(0, -major0);
    const int64_t last = std::min<int64_t>(length, majorSize - 1 - major0);
    if (first > last) return;
    const int64_t rise = std::abs(minorDelta), sign = minorDelta < 0 ? -1 : 1;
    const int64_t denominator = 2 * std::max<int64_t>(length, 1);
    const int64_t numerator = 2 * first * rise + length;
    int64_t offset = numerator / denominator, remainder = numerator % denominator;
    for (int64_t k = first; k <= last; ++k) {
        plot(major0 + k, minor0 + sign * offset);
        remainder += 2 * rise;
        if (remainder >= denominator) {
            remainder -= denominator;
            ++offset;
        }
    }
}

} // namespace

PixelCanvas::PixelCanvas(int32_t width, int32_t height, uint32_t colour)
    : width(width), height(height), pixels(static_cast<size_t>(width) * height, colour) {
    assert(width >= 0 && height >= 0);
}

void fillRectangle(PixelCanvas& canvas, int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour) {
    const int64_t x0 = std::max<int64_t>(left, 0), x1 = std::min<int64_t>(right, canvas.width);
    const int64_t y0 = std::max<int64_t>(top, 0), y1 = std::min<int64_t>(bottom, canvas.height);
    for (int64_t y = y0; y < y1; ++y) {
        uint32_t* row = canvas.pixels.data() + y * canvas.width;
        std::fill(row + x0, row + std::max(x0, x1), colour);
    }
}

void drawLine(PixelCanvas& canvas, double x0, double y0, double x1, double y1, uint32_t colour) {
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return;
    const bool far = std::max({std::abs(x0), std::abs(y0), std::abs(x1), std::abs(y1)}) > farLimit;
    if (far && !clipFarEnds(x0, y0, x1, y1)) return;
    int64_t ax = static_cast<int64_t>(x0), ay = static_cast<int64_t>(y0);
    int64_t bx = static_cast<int64_t>(x1), by = static_cast<int64_t>(y1);
    auto put = [&](int64_t x, int64_t y) {
        if (x >= 0 && y >= 0 && x < canvas.width && y < canvas.height)
            canvas.pixels[static_cast<size_t>(y) * canvas.width + x] = colour;
    };
    if (std::abs(bx - ax) >= std::abs(by - ay)) {
        if (bx < ax) std::swap(ax, bx), std::swap(ay, by);
        stepLine(ax, ay, bx - ax, by - ay, canvas.width, [&](int64_t x, int64_t y) { put(x, y); });
    } else {
        if (by < ay) std::swap(ax, bx), std::swap(ay, by);
        stepLine(ay, ax, by - ay, bx - ax, canvas.height, [&](int64_t y, int64_t x) { put(x, y); });
    }
}
