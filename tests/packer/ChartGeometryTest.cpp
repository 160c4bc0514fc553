#include "PackerTestCharts.h"

#include "packer/ChartOrientations.h"
#include "packer/ChartPreparation.h"
#include "packer/ConvexHull.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

using namespace OmbrixVectorPacker;
using namespace OmbrixVectorPacker::testing;

namespace {

PackSettings settingsWith(double padding, uint32_t rotationCount = 0, double step = std::numbers::pi,
                          bool preRotate = false) {
    PackSettings settings;
    settings.padding = padding;
    settings.rotation_count = rotationCount;
    settings.rotation_step = step;
    settings.pre_rotate = preRotate;
    return settings;
}

VectorPacker prepare(const Layout& layout, const PackSettings& settings, unsigned threads = 2) {
    VectorPacker packer;
    prepareCharts(packer, layout.uvs, layout.triangles, layout.adjacency, settings, threads);
    return packer;
}

double signedArea(const std::vector<OutlineEdge>& edges, size_t first, size_t count) {
    double area = 0.0;
    for (size_t i = first; i < first + count; ++i)
        area += cross(edges[i].start, edges[i].end);
    return 0.5 * area;
}

// Distance from a point to a segment.
double distanceToSegment(Point2 p, Point2 a, Point2 b) {
    const Point2 d = b - a;
    const double lengthSquared = dot(d, d);
    const double t = lengthSquared > 0.0 ? std::clamp(dot(p - a, d) / lengthSquared, 0.0, 1.0) : 0.0;
    return length(p - (a + d * t));
}

bool segmentsCross(Point2 a, Point2 b, Point2 c, Point2 d) {
    const double d1 = cross(b - a, c - a), d2 = cross(b - a, d - a), d3 = cross(d - c, a - c), d4 = cross(d - c, b - c);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

double segmentDistance(Point2 a, Point2 b, Point2 c, Point2 d) {
    if (segmentsCross(a, b, c, d)) return 0.0;
    return std::min({distanceToSegment(a, c, d), distanceToSegment(b, c, d), distanceToSegment(c, a, b),
                     distanceToSegment(d, a, b)});
}

// Whether `p` lies inside the loops of `edges` (an odd number of them crossed by the ray to
// the right).
bool insideOutline(const std::vector<OutlineEdge>& edges, Point2 p) {
    bool inside = false;
    for (const OutlineEdge& edge : edges) {
        const Point2 a = edge.start, b = edge.end;
        if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) / (b.y - a.y) * (b.x - a.x)) inside = !inside;
    }
    return inside;
}

} // namespace

TEST(ChartOutline, SingleTriangleAndItsMitredPadding) {
    Layout layout;
    layout.addTriangle(layout.addUV(0, 0), layout.addUV(1, 0), layout.addUV(0, 1));
    layout.linkSharedEdges();
    const double padding = 0.05;
    const VectorPacker packer = prepare(layout, settingsWith(padding));
    ASSERT_EQ(packer.charts.size(), 1u);
    const PackChart& chart = packer.charts[0];
    const double s = std::sqrt(2.0);

    ASSERT_EQ(chart.traced_outline.size(), 3u);
    EXPECT_EQ(chart.traced_outline[0].loop_length, 3u);
    EXPECT_GT(signedArea(chart.traced_outline, 0, 3), 0.0);
    EXPECT_NEAR(signedArea(chart.traced_outline, 0, 3), 1.0, 1e-12);
    EXPECT_TRUE(chart.loop_starts.empty());

    // The right angle keeps a sharp miter; both 45 degree corners pass the miter limit and
    // are cut, so the padded outline has five edges, all at least the padding away.
    ASSERT_EQ(chart.outline.size(), 5u);
    EXPECT_EQ(chart.outline[0].loop_length, 5u);
    const Point2 a{0, 0}, b{s, 0}, c{0, s};
    for (const OutlineEdge& edge : chart.outline) {
        EXPECT_TRUE(edge.outer);
        const double d = std::min({distanceToSegment(edge.start, a, b), distanceToSegment(edge.start, b, c),
                                   distanceToSegment(edge.start, c, a)});
        EXPECT_GE(d, padding * (1 - 1e-9));
        EXPECT_LE(d, 2.0 * padding + 1e-6);
    }
    // Grown a little further than the padding, by the allowance for rounding.
    EXPECT_NEAR(chart.box_min.x, -padding, 1e-6);
    EXPECT_NEAR(chart.box_min.y, -padding, 1e-6);
    EXPECT_EQ(chart.pivot.x, chart.box_min.x);
    ASSERT_EQ(chart.centroids.size(), 1u);
    EXPECT_EQ(chart.corner_points.size(), 3u);
    EXPECT_EQ(chart.outline_points.size(), 4u);
}

TEST(ChartOutline, RingHasAnOuterLoopAndOneHole) {
    Layout layout;
    layout.addGrid(3, 3, 1.0, {0, 0}, 0.0, [](int i, int j) { return !(i == 1 && j == 1); });
    layout.linkSharedEdges();
    const VectorPacker packer = prepare(layout, settingsWith(0.01));
    ASSERT_EQ(packer.charts.size(), 1u);
    const PackChart& chart = packer.charts[0];
    ASSERT_EQ(chart.loop_starts.size(), 1u);
    const uint32_t holeStart = chart.loop_starts[0];
    // Straight runs along the outside merge into the square's four sides.
    EXPECT_EQ(holeStart, 4u);
    EXPECT_EQ(chart.traced_outline[0].loop_length, 4u);
    const uint32_t holeLength = chart.traced_outline[holeStart].loop_length;
    EXPECT_EQ(holeStart + holeLength, chart.traced_outline.size());
    for (size_t i = 0; i < chart.traced_outline.size(); ++i)
        EXPECT_EQ(chart.traced_outline[i].outer, i < holeStart);
    // Outer loop counter-clockwise around area 9 (scaled to 9/8 of the chart area 1),
    // the hole clockwise around 1/8.
    EXPECT_NEAR(signedArea(chart.traced_outline, 0, holeStart), 9.0 / 8.0, 1e-9);
    EXPECT_NEAR(signedArea(chart.traced_outline, holeStart, holeLength), -1.0 / 8.0, 1e-9);
    // The padded outline keeps the hole as a second loop.
    size_t loops = 0;
    for (const OutlineEdge& edge : chart.outline)
        loops += edge.loop_length > 0;
    EXPECT_EQ(loops, 2u);
    EXPECT_TRUE(chart.outline[0].outer);
    EXPECT_FALSE(chart.outline.back().outer);
}

TEST(ChartOutline, TouchingChartsFailedWalksAndCollinearOverlaps) {
    // Two triangles sharing only a vertex are two charts, each traced on its own.
    Layout touching;
    const uint32_t shared = touching.addUV(1, 1);
    touching.addTriangle(touching.addUV(0, 0), touching.addUV(1, 0), shared);
    touching.addTriangle(shared, touching.addUV(2, 1), touching.addUV(2, 2));
    touching.linkSharedEdges();
    VectorPacker packer = prepare(touching, settingsWith(0.0));
    ASSERT_EQ(packer.charts.size(), 2u);
    for (const PackChart& chart : packer.charts)
        EXPECT_EQ(chart.traced_outline.size(), 3u);

    // A bow tie held together by the adjacency: the walk meets its middle twice and the
    // chart falls back to its hull.
    Layout bowTie;
    const uint32_t middle = bowTie.addUV(0, 0);
    bowTie.addTriangle(middle, bowTie.addUV(-1, 1), bowTie.addUV(-1, -1));
    bowTie.addTriangle(middle, bowTie.addUV(1, -1), bowTie.addUV(1, 1));
    bowTie.adjacency = {1, kNil, kNil, 0, kNil, kNil};
    packer = prepare(bowTie, settingsWith(0.0));
    ASSERT_EQ(packer.charts.size(), 1u);
    const PackChart& hulled = packer.charts[0];
    EXPECT_EQ(hulled.outline_points.size(), 5u);
    ASSERT_EQ(hulled.traced_outline.size(), hulled.outline_points.size());
    for (size_t i = 0; i < hulled.traced_outline.size(); ++i)
        EXPECT_EQ(hulled.traced_outline[i].start, hulled.outline_points[i]);
    EXPECT_NEAR(signedArea(hulled.traced_outline, 0, hulled.traced_outline.size()), 2.0, 1e-9);

    // A triangle hanging under the middle of another's bottom edge without sharing its
    // vertices: the walk splits the long edge where the short one overlaps it.
    Layout overlap;
    overlap.addTriangle(overlap.addUV(0, 0), overlap.addUV(4, 0), overlap.addUV(2, 2));
    overlap.addTriangle(overlap.addUV(3, 0), overlap.addUV(1, 0), overlap.addUV(2, -1));
    overlap.adjacency = {1, kNil, kNil, 0, kNil, kNil};
    packer = prepare(overlap, settingsWith(0.0));
    ASSERT_EQ(packer.charts.size(), 1u);
    const PackChart& joined = packer.charts[0];
    EXPECT_TRUE(joined.loop_starts.empty());
    EXPECT_EQ(joined.traced_outline.size(), 6u);
    EXPECT_NEAR(signedArea(joined.traced_outline, 0, joined.traced_outline.size()), 1.0, 1e-9);
}

TEST(ChartOutline, DegenerateChartsStillGetAnOutline) {
    Layout layout;
    layout.addGrid(2, 2, 1.0);
    // A zero-area chart and one triangle on a single point: grown by the padding (or at
    // padding 0 by the rounding allowance) they still have outlines to be packed by.
    layout.addTriangle(layout.addUV(7, 7), layout.addUV(8, 8), layout.addUV(9, 9));
    const uint32_t point = layout.addUV(3, 3);
    layout.addTriangle(point, point, point);
    layout.linkSharedEdges();
    for (const double padding : {0.0, 0.02}) {
        const VectorPacker packer = prepare(layout, settingsWith(padding, 3, std::numbers::pi / 4, true));
        ASSERT_EQ(packer.charts.size(), 3u);
        for (const PackChart& chart : packer.charts) {
            ASSERT_FALSE(chart.orientations.empty());
            EXPECT_FALSE(chart.outline.empty()) << chart.id << " " << padding;
            for (const OutlineEdge& edge : chart.outline)
                EXPECT_TRUE(isFinite(edge.start) && isFinite(edge.end));
        }
    }
    // Degenerate triangles give no centroid.
    const VectorPacker packer = prepare(layout, settingsWith(0.0));
    size_t centroids = 0;
    for (const PackChart& chart : packer.charts)
        centroids += chart.centroids.size();
    EXPECT_EQ(centroids, 8u);
}

TEST(ChartOrientations, RotationCountsAnglesAndThinning) {
    for (const int rotation : {0, 1, 2, 3}) {
        for (const bool full : {false, true}) {
            const RotationTable table = rotationTable(rotation, full);
            const uint32_t expected[] = {0, 1, 3, 7};
            EXPECT_EQ(table.count, full ? 2 * expected[rotation] + 1 : expected[rotation]);
            EXPECT_NEAR(table.step * (table.count + 1), full ? 2 * std::numbers::pi : std::numbers::pi, 1e-12);

            Layout square;
            square.addGrid(1, 1, 1.0);
            square.linkSharedEdges();
            const PackSettings settings = settingsWith(0.0, table.count, table.step);
            const VectorPacker packer = prepare(square, settings);
            const std::vector<ChartOrientation>& orientations = packer.charts[0].orientations;
            ASSERT_EQ(orientations.size(), table.count + 1);
            for (uint32_t i = 0; i < orientations.size(); ++i) {
                EXPECT_DOUBLE_EQ(orientations[i].angle, orientationAngleIndex(i, table.count + 1) * table.step);
                EXPECT_EQ(orientations[i].edge_index.size(), orientations[i].edges.size());
            }
        }
    }
    const uint32_t order[] = {0, 4, 2, 6, 1, 5, 3, 7};
    for (uint32_t i = 0; i < 8; ++i)
        EXPECT_EQ(orientationAngleIndex(i, 8), order[i]);
    EXPECT_EQ(orientationAngleIndex(0, 1), 0u);

    // A tiny chart beside a large one keeps only its first orientation; with pre-rotation
    // a long diagonal strip turns to lie along the x axis.
    Layout layout;
    layout.addGrid(10, 10, 1.0);
    layout.addGrid(1, 1, 0.01, {20, 20});
    layout.addGrid(8, 1, 0.5, {40, 0}, 0.6);
    layout.linkSharedEdges();
    const VectorPacker packer = prepare(layout, settingsWith(0.0, 3, std::numbers::pi / 4, true));
    ASSERT_EQ(packer.charts.size(), 3u);
    EXPECT_EQ(packer.charts[0].orientations.size(), 4u);
    const PackChart& strip = packer.charts[1];
    EXPECT_TRUE(strip.pre_rotated);
    EXPECT_GT(strip.orientations[0].size.y, strip.orientations[0].size.x);
    EXPECT_EQ(packer.charts[2].orientations.size(), 1u);
    EXPECT_NEAR(minimumWidthAngle(strip.outline_points), 0.6, 1e-6);
}

TEST(ChartOrientations, AnchorSitsUnderTheMaterialAndPointsAreExtreme) {
    Layout layout;
    layout.addGrid(3, 3, 1.0, {0, 0}, 0.0, [](int i, int j) { return j == 0 || i == 0; });
    layout.linkSharedEdges();
    const VectorPacker packer = prepare(layout, settingsWith(0.0));
    const ChartOrientation& o = packer.charts[0].orientations[0];
    // At padding 0 the outline still grows by the allowance for rounding.
    EXPECT_NEAR(o.box_min.x, 0.0, 1e-6);
    EXPECT_NEAR(o.box_min.y, 0.0, 1e-6);
    // The anchor lies on the floor of the L, and its probe reaches the outline above it.
    EXPECT_EQ(o.anchor.y, 0.0);
    EXPECT_GT(o.anchor_height, 0.0);
    EXPECT_LE(o.anchor_height, o.size.y + 1e-12);
    EXPECT_EQ(o.lowest_point.y, 0.0);
    EXPECT_EQ(o.lowest_point.x, 0.0);
    EXPECT_NEAR(o.highest_point.y, o.size.y, 1e-12);
    EXPECT_EQ(o.highest_point.x, 0.0);
}

TEST(ChartOutline, PaddedOutlinesHoldTheExactOffset) {
    // Gently curved bands and rings, slivers and combs: no padded edge may come closer to the
    // chart than the padding (merged chords cut no corner), and every corner lies inside.
    const Layout layout = stressLayout(7, 40);
    for (const double padding : {0.0, 0.01}) {
        const VectorPacker packer = prepare(layout, settingsWith(padding));
        for (const PackChart& chart : packer.charts) {
            for (size_t c = 0; c < chart.corner_points.size(); c += 3) {
                const Point2* corner = &chart.corner_points[c];
                for (int k = 0; k < 3; ++k) {
                    EXPECT_TRUE(insideOutline(chart.outline, corner[k])) << "chart " << chart.id;
                    for (const OutlineEdge& edge : chart.outline)
                        EXPECT_GE(segmentDistance(edge.start, edge.end, corner[k], corner[(k + 1) % 3]),
                                  padding * (1 - 1e-9))
                            << "chart " << chart.id;
                }
            }
        }
    }
}
