#pragma once

#include "preview/PreviewDrawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

// Checks of a preview picture that hold for any square size, for the image file and the
// window alike.
namespace previewtest {

// Everything outside the square is grey.
inline void expectGreyBars(const PixelCanvas& canvas, const PreviewSquare& square) {
    int wrong = 0;
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const bool inside = x >= square.offsetX && x < square.offsetX + square.width && y >= square.offsetY &&
                                y < square.offsetY + square.height;
            wrong += !inside && canvas.at(x, y) != previewGrey;
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels outside the square that are not grey";
}

// The square's columns (or rows) without a black pixel: the tile grid's lines.
inline std::vector<int> fullLines(const PixelCanvas& canvas, const PreviewSquare& square, bool columns) {
    std::vector<int> lines;
    const int side = square.width;
    for (int i = 0; i < side; ++i) {
        bool full = true;
        for (int j = 0; j < side && full; ++j) {
            const int x = square.offsetX + (columns ? i : j), y = square.offsetY + (columns ? j : i);
            full = canvas.at(x, y) != previewBlack;
        }
        if (full) lines.push_back(i);
    }
    return lines;
}

// tiles - 1 grey lines each way divide the square evenly, and a layout in UV [0, 1]^2 (the
// outline of the unit square, white) lies in the bottom-left cell, touching the square's
// bottom-left pixel.
inline void expectTilesWithUnitLayoutInBottomLeftCell(const PixelCanvas& canvas, const PreviewSquare& square,
                                                      int tiles) {
    const int side = square.width;
    ASSERT_EQ(side, square.height);
    const std::vector<int> columns = fullLines(canvas, square, true), rows = fullLines(canvas, square, false);
    ASSERT_EQ(columns.size(), size_t(tiles - 1));
    ASSERT_EQ(rows.size(), size_t(tiles - 1));
    const double cell = (side - 1) / double(tiles);
    for (int i = 1; i < tiles; ++i) {
        EXPECT_NEAR(columns[i - 1], i * cell, 1.0);
        EXPECT_NEAR(rows[tiles - 1 - i], side - 1 - i * cell, 1.0);
    }
    const int left = square.offsetX, bottom = square.offsetY + side - 1;
    int outside = 0;
    for (int y = square.offsetY; y <= bottom; ++y)
        for (int x = left; x < left + side; ++x)
            outside += canvas.at(x, y) == previewWhite && (x > left + cell + 1 || y < bottom - cell - 1);
    EXPECT_EQ(outside, 0) << "white pixels outside the bottom-left cell";
    EXPECT_EQ(canvas.at(left, bottom), previewWhite);
    EXPECT_EQ(canvas.at(left + columns[0], bottom), previewWhite);
    EXPECT_EQ(canvas.at(left, square.offsetY + rows.back()), previewWhite);
}

// An n x n quad grid over the whole square (one tile): the quads' edges are white, the
// diagonals are not drawn (a quad's inside is black along both of its diagonals).
inline void expectQuadsWithoutDiagonals(const PixelCanvas& canvas, const PreviewSquare& square, int n) {
    // Where the lattice lines u = i / n and v = j / n fall, as documented for drawPreview.
    const auto column = [&](int i) {
        return square.offsetX + int(std::floor(double(float(i) / float(n)) * (square.width - 1)));
    };
    const auto row = [&](int j) {
        return square.offsetY + square.height - 1 - int(std::floor(double(float(j) / float(n)) * (square.height - 1)));
    };
    int edgePixels = 0, diagonalPixels = 0;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const int left = column(i), bottom = row(j), width = column(i + 1) - left, height = bottom - row(j + 1);
            for (double t = 0.2; t < 0.85; t += 0.1) {
                const int x = left + int(t * width), y = bottom - int(t * height),
                          mirrored = left + int((1 - t) * width);
                diagonalPixels += canvas.at(x, y) != previewBlack;
                diagonalPixels += canvas.at(mirrored, y) != previewBlack;
                edgePixels += canvas.at(x, bottom) != previewWhite;
                edgePixels += canvas.at(left, y) != previewWhite;
            }
        }
    }
    EXPECT_EQ(diagonalPixels, 0) << "pixels on quad diagonals that are not black";
    EXPECT_EQ(edgePixels, 0) << "pixels on quad edges that are not white";
}

} // namespace previewtest
