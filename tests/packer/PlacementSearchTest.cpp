#include "PackerTestCharts.h"

#include "packer/ChartPreparation.h"
#include "packer/PlacedMaterial.h"
#include "packer/PlacementFinder.h"
#include "packer/PlacementSearch.h"
#include "packer/PositionScan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace OmbrixVectorPacker;
using namespace OmbrixVectorPacker::testing;

namespace {

// A packer prepared from the layout without padding, with charts placed by hand.
struct Scene {
    VectorPacker packer;
    PreparedCharts prepared;

    Scene(const Layout& layout, uint32_t rotationCount = 0, double rotationStep = std::numbers::pi) {
        PackSettings settings;
        settings.rotation_count = rotationCount;
        settings.rotation_step = rotationStep;
        prepared = prepareCharts(packer, layout.uvs, layout.triangles, layout.adjacency, settings, 1);
        packer.stats.total_count = packer.charts.size();
    }

    // The position in placement order of the chart found `id`-th.
    uint32_t chart(uint32_t id) const {
        for (uint32_t position = 0; position < packer.charts.size(); ++position)
            if (packer.charts[position].id == id) return position;
        ADD_FAILURE() << "no chart " << id;
        return 0;
    }

    void place(uint32_t id, Point2 at, uint32_t orientation = 0) {
        PlacementResult result;
        result.x = at.x;
        result.y = at.y;
        result.orientation = orientation;
        result.score.valid = true;
        placeChart(packer, chart(id), result);
    }

    // How much the input's lengths shrink in the packer's units.
    double scale() const { return std::ldexp(prepared.normalisation.factor, -prepared.normalisation.exponent); }
};

// A square of side 10 at the origin and a unit square at x = 20 (charts 0 and 1).
Layout bigAndUnitSquare() {
    Layout layout;
    layout.addGrid(1, 1, 10.0);
    layout.addGrid(1, 1, 1.0, {20, 0});
    layout.linkSharedEdges();
    return layout;
}

PlacementScore scored(double width, double height, double y, uint64_t placed, uint64_t total, double placedArea) {
    PlacementScore score;
    score.valid = true;
    score.width = width;
    score.height = height;
    score.y = y;
    score.run.placed_count = placed;
    score.run.total_count = total;
    score.run.placed_area = placedArea;
    return score;
}

} // namespace

TEST(PlacementScore, BetterByPhase) {
    PlacementScore a = scored(1.0, 1.0, 0.0, 5, 10, 0.5);
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
}

TEST(PlacementScore, AreaPhaseJudgesTheFirstChartsByLayoutArea) {
    // A square layout against a wide, flatter one of slightly smaller area: by area plus the
    // deviation from the aspect the square wins, by area alone the wide one, as long as it
    // lies near the floor.
    auto pair = [](uint64_t placed, uint64_t total, double placedArea, double wideY) {
        return std::pair{scored(1.5, 1.5, 0.0, placed, total, placedArea),
                         scored(2.6, 0.8, wideY, placed, total, placedArea)};
    };
    for (const uint64_t placed : {0u, 1u}) {
        const auto [square, wide] = pair(placed, 5, 0.3, 0.0);
        EXPECT_TRUE(better(wide, square)) << placed;
        EXPECT_FALSE(better(square, wide)) << placed;
    }
    // Away from the floor the area rule does not apply.
    {
        const auto [square, wide] = pair(1, 5, 0.3, 0.5);
        EXPECT_TRUE(better(square, wide));
    }
    // With fewer than 11 charts the phase ends once two are placed.
    {
        const auto [square, wide] = pair(2, 10, 0.01, 0.0);
        EXPECT_TRUE(better(square, wide));
    }
    // With 11 or more it lasts while under a tenth of the charts and 0.05 of the area are
    // placed and the layout is not too stretched.
    {
        const auto [square, wide] = pair(9, 100, 0.04, 0.0);
        EXPECT_TRUE(better(wide, square));
    }
    for (const auto& [placed, placedArea] : {std::pair<uint64_t, double>{10, 0.04}, {9, 0.05}}) {
        const auto [square, wide] = pair(placed, 100, placedArea, 0.0);
        EXPECT_TRUE(better(square, wide)) << placed << " " << placedArea;
    }
    auto [square, wide] = pair(9, 100, 0.04, 0.0);
    square.run.current_aspect = wide.run.current_aspect = 10.0;
    EXPECT_TRUE(better(square, wide));
}

TEST(PlacementScore, HintFollowsTheLargestProductAfterTheFirstCharts) {
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

TEST(PlacementSearch, CrossingUnderAPlacedChartPushesToItsNearestBoundaryAbove) {
    // A square of side 10 and a ring of side 9 with a hole of side 3 in its middle, placed
    // apart; a unit square crosses the bottom edge of each from below.
    Layout layout;
    layout.addGrid(1, 1, 10.0);
    layout.addGrid(3, 3, 3.0, {20, 0}, 0.0, [](int i, int j) { return !(i == 1 && j == 1); });
    layout.addGrid(1, 1, 1.0, {40, 0});
    layout.linkSharedEdges();
    Scene scene(layout);
    const double s = scene.scale();
    scene.place(0, {0, 0});
    scene.place(1, {20 * s, 0});
    PlacementSearch search(scene.packer, scene.prepared.scratch_hint);
    const ChartOrientation& unit = scene.packer.charts[scene.chart(2)].orientations[0];

    // Half a unit reaches the bottom edge, but the crossing lies under the square's
    // material, so the push reaches its top.
    EXPECT_NEAR(search.edgeTest(scene.chart(0), unit, {4 * s, -0.5 * s}), 10 * s, 1e-6);
    // Crossing the top edge from inside: nothing of the square lies above, half a unit.
    EXPECT_NEAR(search.edgeTest(scene.chart(0), unit, {4 * s, 9.5 * s}), 0.5 * s, 1e-6);
    // Under the ring's hole: the nearest boundary above is the hole's lower edge.
    EXPECT_NEAR(search.edgeTest(scene.chart(1), unit, {24 * s, -0.5 * s}), 3 * s, 1e-6);
    // Apart: no push.
    EXPECT_EQ(search.edgeTest(scene.chart(0), unit, {12 * s, 0}), 0.0);
}

TEST(PlacementSearch, ChartInsideAPlacedChartIsPushedByItsAnchor) {
    Scene scene(bigAndUnitSquare());
    scene.place(0, {0, 0});
    const double big = scene.packer.charts[0].size.y;

    // Started in the middle of the big square, the small one crosses none of its edges;
    // only the anchor test finds it inside and lifts it to the top edge.
    PlacementSearch search(scene.packer, scene.prepared.scratch_hint);
    const double y = search.slideUp(scene.packer.charts[1].orientations[0], 0.4 * big, 0.5 * big);
    EXPECT_GE(y, big);
    EXPECT_LT(y, big + 1e-6);
}

TEST(PlacementSearch, ChartInAPlacedChartsHoleStaysThere) {
    Layout layout;
    layout.addGrid(3, 3, 3.0, {0, 0}, 0.0, [](int i, int j) { return !(i == 1 && j == 1); });
    layout.addGrid(1, 1, 1.0, {20, 0});
    layout.linkSharedEdges();
    Scene scene(layout);
    const double s = scene.scale();
    scene.place(0, {0, 0});

    // Started inside the ring's hole, the square crosses nothing and its anchor sees two
    // edges above (the hole's and the ring's top), so it stays at that height; the slide
    // to the left then stops at the hole's side.
    PlacementSearch search(scene.packer, scene.prepared.scratch_hint);
    PlacementResult found;
    found.x = 4.0 * s;
    found.y = search.slideUp(scene.packer.charts[1].orientations[0], found.x, 4.0 * s);
    EXPECT_EQ(found.y, 4.0 * s);
    const PlacementResult result = search.refine(scene.packer.charts[1], found);
    ASSERT_TRUE(result.score.valid);
    EXPECT_NEAR(result.y, 4.0 * s, 1e-6);
    EXPECT_NEAR(result.x, 3.0 * s, 1e-6);
    EXPECT_GE(result.x, 3.0 * s);
}

TEST(PlacementSearch, SlideLeftStopsAtTheNearestChart) {
    Layout layout;
    for (int k = 0; k < 4; ++k)
        layout.addGrid(1, 1, 1.0, {3.0 * k, 0});
    layout.linkSharedEdges();
    Scene scene(layout);
    const double s = scene.scale();
    // Placed out of order, so that the index does not list the squares nearest first; the
    // gaps between them would hold the moving square too.
    scene.place(1, {3.0 * s, 0});
    scene.place(0, {0, 0});
    scene.place(2, {6.0 * s, 0});

    PlacementSearch search(scene.packer, scene.prepared.scratch_hint);
    PlacementResult found;
    found.x = 9.5 * s;
    const PlacementResult result = search.refine(scene.packer.charts[scene.chart(3)], found);
    ASSERT_TRUE(result.score.valid);
    EXPECT_NEAR(result.x, 7.0 * s, 1e-6);
    EXPECT_GE(result.x, 7.0 * s);
}

TEST(PlacementSearch, ChartHoldingAPlacedChartInsideMovesOn) {
    // A unit square placed where a square of side 10 starts its slide: no edges cross and
    // neither anchor lies inside the other chart, yet the big one must not rest over it. It
    // moves up until it clears the small one's top.
    Scene scene(bigAndUnitSquare());
    const double s = scene.scale();
    scene.place(1, {4 * s, 4 * s});
    PlacementSearch search(scene.packer, scene.prepared.scratch_hint);
    const double y = search.slideUp(scene.packer.charts[scene.chart(0)].orientations[0], 0.0, 0.0);
    EXPECT_GE(y, 5 * s);
    EXPECT_LT(y, 5 * s + 1e-6);
}

// Charts of a stressed layout placed by the finder, the first `placed` of them.
struct PackedScene {
    VectorPacker packer;
    PreparedCharts prepared;

    PackedScene(const Layout& layout, uint32_t placed) {
        const PackSettings settings = makePackSettings(1024, 1024, 2.0, false, 1, false, 2);
        prepared = prepareCharts(packer, layout.uvs, layout.triangles, layout.adjacency, settings, 1);
        packer.stats.total_count = packer.charts.size();
        PlacementFinder finder(packer, prepared.scratch_hint, 1);
        for (uint32_t chart = 0; chart < placed; ++chart) {
            const PlacementResult result = finder.find(chart, {0, 0});
            if (result.score.valid) placeChart(packer, chart, result);
        }
    }
};

TEST(PlacementSearch, SlideInPartsEndsWhereItEndsInOne) {
    const PackedScene scene(stressLayout(31, 40), 30);
    PlacementSearch whole(scene.packer, scene.prepared.scratch_hint), parts(scene.packer, 0);
    const double step = scene.packer.step;
    for (uint32_t chart = 30; chart < 40; ++chart) {
        for (const ChartOrientation& orientation : scene.packer.charts[chart].orientations) {
            for (double x = 0.0; x <= scene.packer.extent_x; x += 7 * step) {
                const double end = whole.slideUp(orientation, x, 0.0);
                SlideState state;
                for (int part = 1; !state.rested; ++part)
                    parts.continueSlide(orientation, x, state, part * 0.37 * orientation.size.y);
                EXPECT_EQ(state.y, end) << "chart " << chart << " x " << x;
            }
        }
    }
}

TEST(PlacementSearch, RestingBoundNeverPassesTheSlide) {
    // Curved bands, rings, slivers, combs: wherever the next charts start their slide, the
    // bound from the placed material lies no higher than where the slide rests.
    for (const unsigned seed : {32u, 33u}) {
        const PackedScene scene(stressLayout(seed, 50), 40);
        PlacedMaterial material;
        material.reset(scene.packer.step);
        for (const PackChart& chart : scene.packer.charts)
            if (chart.placed) material.add(chart);
        PlacementSearch search(scene.packer, scene.prepared.scratch_hint);
        std::vector<ProbeSpan> spans;
        std::vector<double> scratch;
        size_t raised = 0;
        for (uint32_t chart = 40; chart < 50; ++chart) {
            for (const ChartOrientation& orientation : scene.packer.charts[chart].orientations) {
                probeSpans(orientation, material.spacing(), 10.0, 32, spans, scratch);
                for (uint32_t position = 0; position * scene.packer.step <= scene.packer.extent_x; ++position) {
                    const double x = position * scene.packer.step;
                    const double bound = restingBound(material, spans, position, 0.0);
                    ASSERT_LE(bound, search.slideUp(orientation, x, 0.0)) << "seed " << seed << " chart " << chart;
                    raised += bound > 0.0;
                }
            }
        }
        EXPECT_GT(raised, 100u);
    }
}

TEST(PlacementScan, FirstChartSitsAtTheOriginInItsSmallestOrientation) {
    // A long strip at a slant: every orientation lands on the floor at x = 0 and ends its own
    // scan there, and the smallest box wins.
    Layout layout;
    layout.addGrid(8, 1, 0.5, {3, 2}, 0.6);
    layout.linkSharedEdges();
    Scene scene(layout, 7, std::numbers::pi / 8);
    const std::vector<ChartOrientation>& orientations = scene.packer.charts[0].orientations;
    ASSERT_GT(orientations.size(), 2u);
    uint32_t smallest = 0;
    for (uint32_t o = 1; o < orientations.size(); ++o)
        if (orientations[o].size.x * orientations[o].size.y <
            orientations[smallest].size.x * orientations[smallest].size.y)
            smallest = o;
    ASSERT_NE(smallest, 0u);
    for (const unsigned threads : {1u, 3u}) {
        PlacementFinder finder(scene.packer, scene.prepared.scratch_hint, threads);
        const PlacementResult result = finder.find(0, {0, 0});
        EXPECT_EQ(result.x, 0.0);
        EXPECT_EQ(result.y, 0.0);
        EXPECT_EQ(result.orientation, smallest);
        if (threads == 1) {
            EXPECT_EQ(finder.positionsTried(), orientations.size());
        }
    }
}

TEST(PlacementScan, FloorPositionEndsOnlyItsOrientation) {
    // A tall block at the origin; a flat bar on its top makes the layout 1.5 high, stood up
    // beside it on the floor only 1. The flat orientation's scan ends on the floor right of
    // the block, and the upright one is still tried and wins.
    Layout layout;
    layout.addGrid(1, 2, 1.0);
    layout.addGrid(2, 1, 1.0, {5, 5});
    layout.linkSharedEdges();
    Scene scene(layout, 1, std::numbers::pi / 2);
    const double s = scene.scale();
    scene.place(0, {0, 0});
    const uint32_t bar = scene.chart(1);
    ASSERT_EQ(scene.packer.charts[bar].orientations.size(), 2u);
    ASSERT_GT(scene.packer.charts[bar].orientations[1].size.y, scene.packer.charts[bar].orientations[1].size.x);
    for (const unsigned threads : {1u, 2u, 4u}) {
        PlacementFinder finder(scene.packer, scene.prepared.scratch_hint, threads);
        const PlacementResult result = finder.find(bar, {0, 0});
        EXPECT_EQ(result.orientation, 1u) << threads;
        EXPECT_LT(result.y, 1e-6) << threads;
        EXPECT_NEAR(result.x, s, 1e-6) << threads;
    }
}

TEST(PlacementScan, PositionInsideTheLayoutStopsEveryWorker) {
    // A unit block at the origin and a 1 x 3 tower further right set the layout to 4 x 3. A
    // unit square at x = 0 comes to rest on the block without growing the layout: the scan
    // stops there, although the floor further right would score better.
    Layout layout;
    layout.addGrid(1, 3, 1.0);
    layout.addGrid(1, 1, 1.0, {5, 5});
    layout.addGrid(1, 1, 1.0, {9, 9});
    layout.linkSharedEdges();
    Scene scene(layout);
    const double s = scene.scale();
    scene.place(0, {3 * s, 0});
    scene.place(1, {0, 0});
    const uint32_t moving = scene.chart(2);
    for (const unsigned threads : {1u, 2u, 4u, 16u}) {
        PlacementFinder finder(scene.packer, scene.prepared.scratch_hint, threads);
        const PlacementResult result = finder.find(moving, {0, 0});
        EXPECT_EQ(result.x, 0.0) << threads;
        EXPECT_NEAR(result.y, s, 1e-6) << threads;
        EXPECT_EQ(result.score.width, scene.packer.extent_x);
        EXPECT_EQ(result.score.height, scene.packer.extent_y);
    }

    // Once one worker has found it, another takes no further position.
    PlacedMaterial material;
    material.reset(scene.packer.step);
    material.add(scene.packer.charts[scene.chart(0)]);
    material.add(scene.packer.charts[scene.chart(1)]);
    PositionScan scan;
    scan.reset(scene.packer.charts[moving], material, scene.packer.step, scene.packer.extent_x + scene.packer.step,
               {0, 0});
    PlacementSearch first(scene.packer, scene.prepared.scratch_hint), second(scene.packer, 0);
    scan.findEnds(first);
    scan.findEnds(second);
    EXPECT_EQ(scan.triedCount(), 1u);
    EXPECT_GT(scan.positionCount(), 100u);
    EXPECT_EQ(scan.choose(first).x, 0.0);
}

TEST(PlacementScan, PassingOverPositionsThatCannotWinChangesNothing) {
    // Every chart of stressed and mixed layouts, placed in turn, lands where the scan that
    // slides every position to the end puts it.
    for (const Layout& layout : {stressLayout(41, 40), randomLayout(42, 60)}) {
        for (const bool hintMode : {false, true}) {
            PackSettings settings = makePackSettings(1024, 1024, 2.0, true, 1, false, hintMode ? 1 : 2);
            VectorPacker exact, quick;
            const PreparedCharts prepared =
                prepareCharts(exact, layout.uvs, layout.triangles, layout.adjacency, settings, 1);
            prepareCharts(quick, layout.uvs, layout.triangles, layout.adjacency, settings, 1);
            for (VectorPacker* packer : {&exact, &quick})
                packer->stats.total_count = packer->charts.size();
            PlacementFinder exactFinder(exact, prepared.scratch_hint, 2, false);
            PlacementFinder quickFinder(quick, prepared.scratch_hint, 2, true);
            PlacementHint hint;
            size_t slidExact = 0, slidQuick = 0;
            for (uint32_t chart = 0; chart < exact.charts.size(); ++chart) {
                const Point2 start = hintMode ? hint.point : Point2{0.0, 0.0};
                const PlacementResult a = exactFinder.find(chart, start), b = quickFinder.find(chart, start);
                slidExact += exactFinder.positionsTried();
                slidQuick += quickFinder.positionsTried();
                ASSERT_EQ(a.score.valid, b.score.valid);
                if (!a.score.valid) continue;
                ASSERT_EQ(a.x, b.x) << "chart " << chart;
                ASSERT_EQ(a.y, b.y) << "chart " << chart;
                ASSERT_EQ(a.orientation, b.orientation) << "chart " << chart;
                placeChart(exact, chart, a);
                placeChart(quick, chart, b);
                hint.update({a.x, a.y}, exact.stats.placed_count, exact.charts.size());
            }
            // Some positions needed no slide to the end.
            EXPECT_LT(slidQuick, slidExact);
        }
    }
}
