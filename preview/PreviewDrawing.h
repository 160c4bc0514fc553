#pragma once

#include "preview/PixelCanvas.h"
#include "preview/PreviewRender.h"

#include <cstdint>

// Where the preview's square lies in a client area: its side (`width` x `height`, equal once
// fitted) and its top-left corner.
struct PreviewSquare {
    int32_t width = 0;
    int32_t height = 0;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
};

// The square as the render was made (its texture size, no offset), before any client size.
PreviewSquare initialSquare(const PreviewRender& render);

// The square that a client area of `clientWidth` x `clientHeight` shows: as large as the
// shorter side, centred along the longer one (the rest is grey bars).
PreviewSquare fitSquare(int32_t clientWidth, int32_t clientHeight);

// The preview window's first placement on a screen: the client area is a square centred on
// the screen, 20 pixels short of the screen's shorter side (frame included).
struct WindowPlacement {
    int32_t x = 0; // left edge of the window frame
    int32_t y = 0; // top edge of the window frame
    int32_t clientSide = 0;
};
WindowPlacement initialPlacement(int32_t screenWidth, int32_t screenHeight, int32_t frameWidth, int32_t frameHeight);

constexpr uint32_t previewGrey = rgb(128, 128, 128);
constexpr uint32_t previewBlack = rgb(0, 0, 0);
constexpr uint32_t previewWhite = rgb(255, 255, 255);

// Draws the whole preview into the canvas (the client area): grey everywhere, the black
// square, the grey tile grid and the white polygon edges of the layout.
//
// UV space [0, tiles] x [0, tiles] is laid over the square's pixels with v growing upwards:
// the pixel column of u is offsetX + floor(u * (width - 1) / tiles) and the row of v is
// offsetY + (height - 1) - floor(v * (height - 1) / tiles) (in double precision), so UV (0, 0) is the square's
// bottom-left pixel and (tiles, tiles) its top-right pixel, and the grid lines at whole u
// and v lie on the same pixels as layout edges there. Edges whose falseEdges entry is not
// `realMeshEdge` (triangulation diagonals) are not drawn; corners or points out of range
// are skipped.
void drawPreview(const PreviewRender& render, const PreviewSquare& square, PixelCanvas& canvas);
