#include "PackerTestCharts.h"

#include "packer/ChartPreparation.h"
#include "packer/Pack.h"
#include "packer/PlacementSearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>

using namespace OmbrixVectorPacker;
using namespace OmbrixVectorPacker::testing;

namespace {

PackSettings plainSettings() {
    PackSettings settings;
    settings.rotation_count = 0;
    settings.rotation_step = std::numbers::pi;
    return settings;
}

bool segmentsCross(Point2 a, Point2 b, Point2 c, Point2 d) {
    const double d1 = cross(b - a, c - a), d2 = cross(b - a, d - a), d3 = cross(d - c, a - c), d4 = cross(d - c, b - c);
    return ((d1 > 0) != (d2 > 0)) && ((d3 > 0) != (d4 > 0)) && d1 != 0 && d2 != 0 && d3 != 0 && d4 != 0;
}

double pointSegmentDistance(Point2 p, Point2 a, Point2 b) {
    const Point2 d = b - a;
    const double lengthSquared = dot(d, d);
    const double t = lengthSquared > 0 ? std::clamp(dot(p - a, d) / lengthSquared, 0.0, 1.0) : 0.0;
    return length(p - (a + d * t));
}

bool insideTriangle(Point2 p, const Point2 (&t)[3]) {
    const double a = cross(t[1] - t[0], p - t[0]), b = cross(t[2] - t[1], p - t[1]), c = cross(t[0] - t[2], p - t[2]);
    return (a > 0 && b > 0 && c > 0) || (a < 0 && b < 0 && c < 0);
}

double triangleDistance(const Point2 (&s)[3], const Point2 (&t)[3]) {
    double distance = kLargest;
    for (int i = 0; i < 3; ++i) {
        if (insideTriangle(s[i], t) || insideTriangle(t[i], s)) return 0.0;
        for (int j = 0; j < 3; ++j) {
            const Point2 a = s[i], b = s[(i + 1) % 3], c = t[j], d = t[(j + 1) % 3];
            if (segmentsCross(a, b, c, d)) return 0.0;
            distance = std::min({distance, pointSegmentDistance(a, c, d), pointSegmentDistance(c, a, b)});
        }
    }
    return distance;
}

// The smallest distance between triangles of different charts, in the packer's
// normalised units, and whether every UV lies in the square of side sqrt(total area).
struct LayoutCheck {
    double smallestGap = kLargest;
    bool inSquare = true;
};

LayoutCheck checkLayout(const Layout& layout, const std::vector<Point2>& packed, const VectorPacker& packer,
                        double scale) {
    LayoutCheck check;
    const double side = 1.0 / scale;
    for (const uint32_t uv : layout.triangles) {
        const Point2 p = packed[uv];
        if (p.x < -1e-9 || p.y < -1e-9 || p.x > side * (1 + 1e-9) || p.y > side * (1 + 1e-9)) check.inSquare = false;
    }
    const double layoutFactor = std::min(1.0 / packer.extent_x, 1.0 / packer.extent_y);
    std::vector<uint32_t> ids;
    findChartIds(layout.adjacency, layout.triangles.size() / 3, ids);
    const size_t count = ids.size();
    std::vector<std::array<Point2, 3>> triangles(count);
    for (size_t t = 0; t < count; ++t)
        for (int k = 0; k < 3; ++k)
            triangles[t][k] = packed[layout.triangles[3 * t + k]] * (scale / layoutFactor);
    for (size_t a = 0; a < count; ++a) {
        for (size_t b = a + 1; b < count; ++b) {
            if (ids[a] == ids[b]) continue;
            const Point2(&s)[3] = *reinterpret_cast<const Point2(*)[3]>(triangles[a].data());
            const Point2(&t)[3] = *reinterpret_cast<const Point2(*)[3]>(triangles[b].data());
            check.smallestGap = std::min(check.smallestGap, triangleDistance(s, t));
        }
    }
    return check;
}

} // namespace

TEST(Pack, SquaresEndAsThemselves) {
    for (const double side : {1.0, 2.0}) {
        Layout layout;
        layout.addGrid(1, 1, side);
        layout.linkSharedEdges();
        std::vector<Point2> uvs = layout.uvs;
        VectorPacker packer;
        pack(packer, uvs, layout.triangles, layout.adjacency, plainSettings(), std::span<const uint32_t>{});
        for (size_t i = 0; i < uvs.size(); ++i) {
            EXPECT_NEAR(uvs[i].x, layout.uvs[i].x, 1e-9);
            EXPECT_NEAR(uvs[i].y, layout.uvs[i].y, 1e-9);
        }
        EXPECT_TRUE(packer.charts[0].placed);
        EXPECT_EQ(packer.charts[0].orientations.size(), 1u);
    }
}

TEST(Pack, ChartsThreadsAndInput) {
    // Triangles without neighbours are charts of their own; linked ones share one,
    // numbered by their lowest triangle.
    std::vector<uint32_t> ids;
    EXPECT_EQ(findChartIds(std::vector<uint32_t>{kNil, kNil, kNil, 2, kNil, kNil, kNil, kNil, 1}, 3, ids), 2u);
    EXPECT_EQ(ids, (std::vector<uint32_t>{1, 2, 2}));
    EXPECT_EQ(findChartIds(std::vector<uint32_t>(9, kNil), 3, ids), 3u);

    EXPECT_EQ(packThreadCount(0), 32u);
    EXPECT_EQ(packThreadCount(3), 3u);

    const Layout layout = randomLayout(3, 12);
    std::vector<Point2> uvs = layout.uvs;
    VectorPacker packer;
    PackSettings settings = plainSettings();
    settings.padding = 0.004;
    pack(packer, uvs, layout.triangles, layout.adjacency, settings, packThreadCount(0));
    EXPECT_GE(checkLayout(layout, uvs, packer, normalisationFactor(layout.uvs, layout.triangles)).smallestGap,
              0.008 * (1 - 1e-6));

    // Bad input is refused before anything changes; no triangles leaves the UVs alone.
    std::vector<Point2> untouched = layout.uvs;
    std::vector<uint32_t> badTriangles = layout.triangles;
    badTriangles[4] = static_cast<uint32_t>(uvs.size());
    VectorPacker other;
    EXPECT_THROW(pack(other, untouched, badTriangles, layout.adjacency, settings, 2u), std::invalid_argument);
    std::vector<uint32_t> badAdjacency = layout.adjacency;
    badAdjacency[0] = 1u << 30;
    EXPECT_THROW(pack(other, untouched, layout.triangles, badAdjacency, settings, 2u), std::invalid_argument);
    pack(other, untouched, std::vector<uint32_t>{}, std::vector<uint32_t>{}, settings, 2u);
    EXPECT_EQ(untouched[5].x, layout.uvs[5].x);
}

TEST(Pack, ComparisonMergeAndHint) {
    PlacementScore a;
    a.valid = true;
    a.width = 1.0;
    a.height = 1.0;
    a.run.placed_area = 0.5;
    a.run.placed_count = 5;
    a.run.total_count = 10;
    PlacementScore b = a;
    EXPECT_TRUE(better(a, PlacementScore{}));
    EXPECT_FALSE(better(PlacementScore{}, a));
    // The smaller layout wins; equal layouts go to the lower position.
    b.width = 1.5;
    EXPECT_TRUE(better(a, b));
    EXPECT_FALSE(better(b, a));
    b = a;
    b.y = 0.3;
    EXPECT_TRUE(better(a, b));
    // Neither smaller: area plus the squared deviation from the aspect decides.
    b = a;
    b.width = 0.8;
    b.height = 1.3;
    EXPECT_TRUE(better(a, b));
    // Late in the run, the smallest enclosing square.
    a.run.placed_area = b.run.placed_area = 0.9;
    b.width = 1.05;
    b.height = 0.5;
    EXPECT_TRUE(better(a, b));
    b.width = 0.9;
    b.height = 0.95;
    EXPECT_FALSE(better(a, b));

    // Equal scores: the result further left is kept.
    PlacementResult left, right;
    left.score = right.score = a;
    left.x = 0.2;
    right.x = 0.5;
    EXPECT_EQ(mergeResults(std::vector<PlacementResult>{right, left}).x, 0.2);
    EXPECT_FALSE(mergeResults(std::vector<PlacementResult>(3)).score.valid);

    // The first 102 placements run without a hint; then the hint tracks the largest x * y.
    PlacementHint hint;
    for (uint64_t placed = 1; placed <= 100; ++placed)
        hint.update({1.0, 1.0}, placed, 1000);
    EXPECT_FALSE(hint.tracking);
    hint.update({1.0, 1.0}, 101, 1000);
    EXPECT_TRUE(hint.tracking);
    EXPECT_EQ(hint.point.x, 0.0);
    EXPECT_EQ(hint.countdown, (1000u - 101u) / 10u);
    hint.update({2.0, 3.0}, 102, 1000);
    hint.update({5.0, 1.0}, 103, 1000);
    EXPECT_EQ(hint.point.x, 2.0);
    EXPECT_EQ(hint.point.y, 3.0);
}

TEST(Pack, ChartInsideAPlacedChartIsPushedByItsAnchor) {
    Layout layout;
    layout.addGrid(1, 1, 10.0);
    layout.addGrid(1, 1, 1.0, {20, 0});
    layout.linkSharedEdges();
    VectorPacker packer;
    const PreparedCharts prepared =
        prepareCharts(packer, layout.uvs, layout.triangles, layout.adjacency, plainSettings(), 1);
    ASSERT_EQ(packer.charts.size(), 2u);
    PlacementResult first;
    first.score.valid = true;
    placeChart(packer, 0, first);
    const double big = packer.charts[0].size.y;

    // Started from the hint in the middle of the big square, the small one crosses none of
    // its edges; only the anchor test finds it inside and lifts it to the top edge.
    PlacementSearch search(packer, prepared.scratch_hint);
    std::atomic<uint8_t> cancel{0};
    const double x = 0.4 * big;
    const PlacementResult result = search.search(1, x, x, 1.0, {big, 0.5 * big}, cancel);
    ASSERT_TRUE(result.score.valid);
    EXPECT_GE(result.y, big);
    EXPECT_LT(result.y, big + 1e-6);
}

TEST(Pack, ChartInAPlacedChartsHoleStaysThere) {
    Layout layout;
    layout.addGrid(3, 3, 3.0, {0, 0}, 0.0, [](int i, int j) { return !(i == 1 && j == 1); });
    layout.addGrid(1, 1, 1.0, {20, 0});
    layout.linkSharedEdges();
    VectorPacker packer;
    const PreparedCharts prepared =
        prepareCharts(packer, layout.uvs, layout.triangles, layout.adjacency, plainSettings(), 1);
    const double s = prepared.scale;
    PlacementResult first;
    first.score.valid = true;
    placeChart(packer, 0, first);

    // Started inside the ring's hole, the square crosses nothing and its anchor sees two
    // edges above (the hole's and the ring's top), so it stays at that height; the slide
    // to the left then stops at the hole's side.
    PlacementSearch search(packer, prepared.scratch_hint);
    std::atomic<uint8_t> cancel{0};
    const PlacementResult result = search.search(1, 4.0 * s, 4.0 * s, 1.0, {9.0 * s, 4.0 * s}, cancel);
    ASSERT_TRUE(result.score.valid);
    EXPECT_NEAR(result.y, 4.0 * s, 1e-6);
    EXPECT_NEAR(result.x, 3.0 * s, 1e-6);
    EXPECT_GE(result.x, 3.0 * s);
}

TEST(Pack, RandomChartsNeverOverlapAndKeepThePadding) {
    for (const unsigned seed : {1u, 2u, 3u}) {
        for (const int mode : {1, 2}) {
            const Layout layout = randomLayout(seed, 40);
            const int rotation = static_cast<int>(seed % 4);
            const PackSettings settings = makePackSettings(1024, 512, 4.0, seed % 2 == 0, rotation, seed == 3, mode);
            std::vector<Point2> uvs = layout.uvs;
            VectorPacker packer;
            pack(packer, uvs, layout.triangles, layout.adjacency, settings, 2u);
            for (const PackChart& chart : packer.charts)
                EXPECT_TRUE(chart.placed);
            const LayoutCheck check =
                checkLayout(layout, uvs, packer, normalisationFactor(layout.uvs, layout.triangles));
            EXPECT_TRUE(check.inSquare) << "seed " << seed << " mode " << mode;
            EXPECT_GE(check.smallestGap, 2.0 * settings.padding * (1 - 1e-6)) << "seed " << seed << " mode " << mode;
        }
    }
}
