#include "PreviewLayouts.h"

#include "hostapi/AtomicFile.h"
#include "preview/PngImage.h"
#include "preview/PreviewDrawing.h"
#include "preview/PreviewImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>

namespace {

bool isGrey(uint32_t pixel) {
    return pixel == previewGrey;
}
bool isWhite(uint32_t pixel) {
    return pixel == previewWhite;
}

TEST(PixelCanvas, LinesCoverTheSamePixelsInEitherDirectionWithBothEndsAndNoGaps) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coordinate(-20, 60);
    for (int trial = 0; trial < 500; ++trial) {
        const int x0 = coordinate(random), y0 = coordinate(random), x1 = coordinate(random), y1 = coordinate(random);
        PixelCanvas forward(41, 41), backward(41, 41);
        drawLine(forward, x0, y0, x1, y1, 1);
        drawLine(backward, x1, y1, x0, y0, 1);
        ASSERT_EQ(forward.pixels, backward.pixels) << x0 << "," << y0 << " - " << x1 << "," << y1;
        if (forward.contains(x0, y0)) {
            EXPECT_EQ(forward.at(x0, y0), 1u);
        }
        if (forward.contains(x1, y1)) {
            EXPECT_EQ(forward.at(x1, y1), 1u);
        }
        // One pixel per step along the longer axis, neighbours touching.
        const bool xMajor = std::abs(x1 - x0) >= std::abs(y1 - y0);
        int previous = std::numeric_limits<int>::min();
        for (int major = 0; major < 41; ++major) {
            int count = 0, minor = 0;
            for (int other = 0; other < 41; ++other)
                if ((xMajor ? forward.at(major, other) : forward.at(other, major)) == 1u) ++count, minor = other;
            if (count == 0) continue;
            EXPECT_EQ(count, 1);
            if (previous != std::numeric_limits<int>::min() && minor != previous) {
                EXPECT_EQ(std::abs(minor - previous), 1);
            }
            previous = minor;
        }
    }
}

TEST(PixelCanvas, FarEndsAreClippedAlongTheLineAndNonFiniteLinesAreSkipped) {
    PixelCanvas canvas(50, 50);
    drawLine(canvas, 10, 20, 1e12, 20, 1);         // far to the right, level
    drawLine(canvas, -3e15, -3e15, 3e15, 3e15, 2); // the main diagonal
    drawLine(canvas, 5, 5, std::numeric_limits<double>::quiet_NaN(), 5, 3);
    for (int x = 0; x < 50; ++x) {
        EXPECT_EQ(canvas.at(x, x), 2u) << x;
        if (x >= 10 && x != 20) {
            EXPECT_EQ(canvas.at(x, 20), 1u) << x;
        }
    }
    for (uint32_t pixel : canvas.pixels)
        EXPECT_NE(pixel, 3u);
}

TEST(PreviewDrawing, ThreeTilesGiveTwoGreyLinesEachWayAndAUnitLayoutInTheBottomLeftCell) {
    // 301 pixels: UV 1 falls on pixel 100 exactly, UV 3 on the last pixel.
    const PixelCanvas canvas = renderPreview(previewtest::quadGrid(1, 1024, 3), 301, 301);
    std::vector<int> gridColumns, gridRows;
    for (int i = 0; i < 301; ++i) {
        bool column = true, row = true;
        for (int j = 0; j < 301; ++j) {
            column = column && canvas.at(i, j) != previewBlack;
            row = row && canvas.at(j, i) != previewBlack;
        }
        if (column) gridColumns.push_back(i);
        if (row) gridRows.push_back(i);
    }
    EXPECT_EQ(gridColumns, (std::vector<int>{100, 200}));
    EXPECT_EQ(gridRows, (std::vector<int>{100, 200}));
    EXPECT_TRUE(isGrey(canvas.at(150, 100)) && isGrey(canvas.at(200, 20)));
    // The layout's outline is white and lies in the bottom-left cell, v growing upwards.
    for (int y = 0; y < 301; ++y) {
        for (int x = 0; x < 301; ++x) {
            const bool onOutline =
                x >= 0 && x <= 100 && y >= 200 && y <= 300 && (x == 0 || x == 100 || y == 200 || y == 300);
            EXPECT_EQ(isWhite(canvas.at(x, y)), onOutline) << x << "," << y;
        }
    }
    EXPECT_EQ(canvas.at(50, 250), previewBlack) << "the quad's diagonal is not drawn";
}

TEST(PreviewDrawing, QuadMeshShowsItsQuadsWithoutDiagonals) {
    const PixelCanvas canvas = renderPreview(previewtest::quadGrid(4, 1024, 1), 401, 401);
    for (int y = 0; y < 401; ++y)
        for (int x = 0; x < 401; ++x)
            ASSERT_EQ(isWhite(canvas.at(x, y)), x % 100 == 0 || y % 100 == 0) << x << "," << y;
}

TEST(PreviewDrawing, WideClientKeepsTheSquareCentredWithGreyBars) {
    const PixelCanvas canvas = renderPreview(previewtest::quadGrid(2, 1024, 1), 701, 301);
    for (int y = 0; y < 301; ++y) {
        for (int x = 0; x < 701; ++x) {
            if (x < 200 || x > 500) {
                ASSERT_TRUE(isGrey(canvas.at(x, y))) << x << "," << y;
            }
        }
    }
    // The square's corners carry the layout's corners; UV (0, 0) is its bottom-left pixel.
    EXPECT_TRUE(isWhite(canvas.at(200, 300)) && isWhite(canvas.at(500, 0)) && isWhite(canvas.at(200, 0)));
    EXPECT_EQ(canvas.at(201, 299 - 1), previewBlack);
    const PreviewSquare tall = fitSquare(300, 701);
    EXPECT_EQ(tall.offsetX, 0);
    EXPECT_EQ(tall.offsetY, 200);
    EXPECT_EQ(tall.width, 300);
}

TEST(PreviewDrawing, BrokenLayoutsDrawWhatIsUsableAndNeverReachOutside) {
    PreviewRender render(64, 64, 0); // no tiles: drawn as one
    const float nan = std::numeric_limits<float>::quiet_NaN();
    render.setData({0, 1, 2, 0, 1, 99, 0, 1}, {0.5f, 0.5f, 0, 1e30f, 0.5f, 0, nan, 0.2f, 0},
                   {realMeshEdge, realMeshEdge, realMeshEdge, realMeshEdge});
    const PixelCanvas canvas = renderPreview(render, 101, 101);
    // The edge from the centre towards u = 1e30 reaches the square's right border, level.
    for (int x = 50; x <= 100; ++x)
        EXPECT_TRUE(isWhite(canvas.at(x, 50))) << x;
    size_t white = 0;
    for (uint32_t pixel : canvas.pixels)
        white += isWhite(pixel);
    EXPECT_EQ(white, 51u) << "edges to a NaN point, out-of-range indices and a partial triangle are skipped";
}

TEST(PreviewImage, PngHoldsTheDrawnPixelsDeterministicallyAndIsWrittenSafely) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "varnelle-preview-png";
    std::filesystem::create_directories(folder);
    const PreviewRender render = previewtest::quadGrid(3, 1024, 2);
    const std::string first = (folder / "a.png").string(), second = (folder / "b.png").string();
    writePreviewPng(render, 333, 200, first);
    writePreviewPng(render, 333, 200, second);
    const PixelCanvas read = readPng(first);
    EXPECT_EQ(read.width, 333);
    EXPECT_EQ(read.pixels, renderPreview(render, 333, 200).pixels);
    const auto bytes = [](const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    EXPECT_EQ(bytes(first), bytes(second));
    EXPECT_THROW(writePreviewPng(render, 10, 10, (folder / "missing" / "c.png").string()), FileError);
    EXPECT_THROW(readPng((folder / "a.png").string() + ".none"), FileError);
    std::filesystem::remove_all(folder);
}

} // namespace
