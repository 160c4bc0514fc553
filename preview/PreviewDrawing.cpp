#include "preview/PreviewDrawing.h"

#include <algorithm>
#include <cmath>

namespace {

// Maps UV coordinates onto the square's pixels (see drawPreview).
struct UVToPixel {
    UVToPixel(const PreviewSquare& square, int32_t tiles)
        : left(square.offsetX), bottom(square.offsetY + square.height - 1), scaleX(double(square.width - 1) / tiles),
          scaleY(double(square.height - 1) / tiles) {}

    double x(float u) const { return left + std::floor(u * scaleX); }
    double y(float v) const { return bottom - std::floor(v * scaleY); }

    double left, bottom, scaleX, scaleY;
};

void drawGrid(const PreviewSquare& square, int32_t tiles, const UVToPixel& map, PixelCanvas& canvas) {
    const double right = square.offsetX + square.width - 1, top = square.offsetY;
    for (int32_t i = 1; i < tiles; ++i) {
        const float at = static_cast<float>(i);
        drawLine(canvas, map.left, map.y(at), right, map.y(at), previewGrey);
        drawLine(canvas, map.x(at), map.bottom, map.x(at), top, previewGrey);
    }
}

void drawEdges(const PreviewRender& render, const UVToPixel& map, PixelCanvas& canvas) {
    const size_t pointCount = render.points.size() / 3;
    const size_t corners = std::min(render.indices.size(), render.falseEdges.size()) / 3 * 3;
    for (size_t triangle = 0; triangle < corners; triangle += 3) {
        const uint32_t* corner = render.indices.data() + triangle;
        if (corner[0] >= pointCount || corner[1] >= pointCount || corner[2] >= pointCount) continue;
        for (int k = 0; k < 3; ++k) {
            if (render.falseEdges[triangle + k] != realMeshEdge) continue;
            const float* a = render.points.data() + 3 * size_t(corner[k]);
            const float* b = render.points.data() + 3 * size_t(corner[(k + 1) % 3]);
            drawLine(canvas, map.x(a[0]), map.y(a[1]), map.x(b[0]), map.y(b[1]), previewWhite);
        }
    }
}

} // namespace

PreviewSquare initialSquare(const PreviewRender& render) {
    return {render.width, render.height, render.offsetX, render.offsetY};
}

PreviewSquare fitSquare(int32_t clientWidth, int32_t clientHeight) {
    const int32_t side = std::min(clientWidth, clientHeight);
    return {side, side, std::max(0, (clientWidth - clientHeight) / 2), std::max(0, (clientHeight - clientWidth) / 2)};
}

WindowPlacement initialPlacement(int32_t screenWidth, int32_t screenHeight, int32_t frameWidth, int32_t frameHeight) {
    const int32_t side = std::max(1, std::min(screenWidth - frameWidth, screenHeight - frameHeight) - 40);
    return {(screenWidth - side - frameWidth) / 2, (screenHeight - side - frameHeight) / 2, side};
}

void drawPreview(const PreviewRender& render, const PreviewSquare& square, PixelCanvas& canvas) {
    fillRectangle(canvas, 0, 0, canvas.width, canvas.height, previewGrey);
    fillRectangle(canvas, square.offsetX, square.offsetY, int64_t(square.offsetX) + square.width,
                  int64_t(square.offsetY) + square.height, previewBlack);
    if (square.width <= 0 || square.height <= 0) return;
    const int32_t tiles = std::max(1, render.tiles);
    const UVToPixel map(square, tiles);
    drawGrid(square, tiles, map, canvas);
    drawEdges(render, map, canvas);
}
