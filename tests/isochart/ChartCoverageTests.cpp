#include "isochart/BitmapRuns.h"
#include "isochart/ChartCoverage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

using namespace Isochart;

namespace {

struct FlatTriangles {
    std::vector<Point> points;
    std::vector<uint32_t> corners;
};

// A strip of quads along a spiral, counterclockwise throughout. Wide enough, its turns lie
// over each other, so some cells are covered twice.
FlatTriangles spiralStrip(double turns, double width, int steps) {
    FlatTriangles strip;
    for (int i = 0; i <= steps; ++i) {
        const double angle = 2.0 * std::numbers::pi * turns * i / steps, radius = 10.0 + 2.0 * angle;
        const Point direction{std::cos(angle), std::sin(angle)};
        for (const double r : {radius + width, radius - width})
            strip.points.push_back({40.0 + r * direction.x, 40.0 + r * direction.y});
    }
    for (uint32_t i = 0; i < uint32_t(steps); ++i) {
        const uint32_t outer = 2 * i, inner = outer + 1, nextOuter = outer + 2, nextInner = outer + 3;
        strip.corners.insert(strip.corners.end(), {outer, inner, nextInner, outer, nextInner, nextOuter});
    }
    return strip;
}

// A jittered grid with a square hole in the middle, triangulated counterclockwise.
FlatTriangles ringGrid(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> jitter(-0.3, 0.3);
    FlatTriangles grid;
    const int side = 12;
    for (int y = 0; y <= side; ++y)
        for (int x = 0; x <= side; ++x)
            grid.points.push_back({5.3 + 4.1 * x + jitter(random), 3.7 + 3.3 * y + jitter(random)});
    for (uint32_t y = 0; y < uint32_t(side); ++y)
        for (uint32_t x = 0; x < uint32_t(side); ++x) {
            if (x >= 4 && x < 8 && y >= 4 && y < 8) continue;
            const uint32_t a = y * (side + 1) + x, b = a + 1, c = a + side + 2, d = a + side + 1;
            grid.corners.insert(grid.corners.end(), {a, b, c, a, c, d});
        }
    return grid;
}

std::vector<uint8_t> coverEachTriangle(const FlatTriangles& shape, size_t width, size_t height) {
    std::vector<uint8_t> bitmap(width * height, 0);
    for (size_t t = 0; t < shape.corners.size(); t += 3) {
        const Point triangle[3] = {shape.points[shape.corners[t]], shape.points[shape.corners[t + 1]],
                                   shape.points[shape.corners[t + 2]]};
        coverTriangle(triangle, 0.01, width, height, bitmap);
    }
    return bitmap;
}

} // namespace

TEST(ChartCoverage, BorderChainCoversExactlyTheCellsOfItsTriangles) {
    const size_t width = 90, height = 80;
    ChainFill fill;
    std::vector<std::array<uint32_t, 2>> chain;
    const FlatTriangles shapes[] = {spiralStrip(1.6, 7.0, 90), spiralStrip(0.7, 1.0, 7), ringGrid(3), ringGrid(4)};
    for (const FlatTriangles& shape : shapes) {
        SCOPED_TRACE(shape.corners.size() / 3);
        ASSERT_TRUE(borderChain(shape.corners, shape.points, chain));
        EXPECT_LT(chain.size(), shape.corners.size());
        std::vector<uint8_t> fromChain(width * height, 0);
        fill.cover(shape.points, chain, 0.01, width, height, fromChain);
        EXPECT_EQ(fromChain, coverEachTriangle(shape, width, height));
    }
}

TEST(ChartCoverage, BorderChainRefusesFlippedAndFlatTriangles) {
    FlatTriangles shape = ringGrid(5);
    std::vector<std::array<uint32_t, 2>> chain;
    std::swap(shape.corners[4], shape.corners[5]);
    EXPECT_FALSE(borderChain(shape.corners, shape.points, chain));
    shape = ringGrid(5);
    shape.corners[2] = shape.corners[1];
    EXPECT_FALSE(borderChain(shape.corners, shape.points, chain));
    // A triangle listed twice, once each way, leaves no border at all.
    const Point points[3] = {{1, 1}, {5, 1}, {1, 4}};
    const uint32_t mirrored[6] = {0, 1, 2, 0, 2, 1};
    EXPECT_FALSE(borderChain(mirrored, points, chain));
}

TEST(ChartCoverage, RunsAlongRowsAndColumnsMatchTheCells) {
    // Sizes around the word the scan skips by, cells set at the edges and in long blocks.
    std::mt19937 random(7);
    BitmapRuns runs;
    for (const auto& size : {std::pair<size_t, size_t>{1, 1}, {7, 3}, {8, 8}, {9, 17}, {64, 5}, {71, 40}}) {
        const size_t width = size.first, height = size.second;
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        std::vector<uint8_t> bitmap(width * height);
        for (size_t row = 0; row < height; ++row)
            for (size_t column = 0; column < width; ++column)
                bitmap[row * width + column] = (row / 4 + column / 9) % 2 == 0 || random() % 5 == 0;
        bitmap.front() = bitmap.back() = 1;
        runs.find(bitmap, width, height);
        auto expectRuns = [&](const LineRuns& lines, size_t lineCount, size_t length, auto cell) {
            ASSERT_EQ(lines.start.size(), lineCount + 1);
            for (size_t line = 0; line < lineCount; ++line) {
                std::vector<LineRuns::Run> expected;
                for (size_t i = 0; i < length; ++i)
                    if (cell(line, i) && (i == 0 || !cell(line, i - 1)))
                        expected.push_back({uint32_t(i), uint32_t(i)});
                    else if (cell(line, i))
                        expected.back()[1] = uint32_t(i);
                const auto found = lines.line(line);
                EXPECT_EQ(std::vector<LineRuns::Run>(found.begin(), found.end()), expected) << "line " << line;
            }
        };
        expectRuns(runs.rows(), height, width, [&](size_t row, size_t i) { return bitmap[row * width + i] != 0; });
        expectRuns(runs.columns(), width, height,
                   [&](size_t column, size_t i) { return bitmap[i * width + column] != 0; });
    }
}
