#include "LayoutCheck.h"
#include "PackerTestCharts.h"

#include "apps/varnelle/UVCharts.h"
#include "hostapi/ObjFile.h"
#include "packer/ChartPreparation.h"
#include "packer/Pack.h"
#include "packer/PackErrors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <stdexcept>
#include <string>

using namespace OmbrixVectorPacker;
using namespace OmbrixVectorPacker::testing;

namespace {

PackSettings plainSettings() {
    PackSettings settings;
    settings.rotation_count = 0;
    settings.rotation_step = std::numbers::pi;
    return settings;
}

// The total area of the layout's triangles.
double uvArea(const Layout& layout) {
    double area = 0.0;
    for (size_t t = 0; t < layout.triangles.size(); t += 3) {
        const Point2 a = layout.uvs[layout.triangles[t]], b = layout.uvs[layout.triangles[t + 1]],
                     c = layout.uvs[layout.triangles[t + 2]];
        area += 0.5 * std::abs(cross(b - a, c - a));
    }
    return area;
}

// Whether every packed UV lies in the square from the origin whose side is the square root of
// the layout's UV area.
bool inSquare(const Layout& layout, const std::vector<Point2>& packed) {
    const double side = std::sqrt(uvArea(layout));
    for (const uint32_t uv : layout.triangles) {
        const Point2 p = packed[uv];
        if (p.x < -1e-9 * side || p.y < -1e-9 * side || p.x > side * (1 + 1e-9) || p.y > side * (1 + 1e-9))
            return false;
    }
    return true;
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
        // Up to rounding, and the outline's allowance for it of about 1e-7 of its side.
        for (size_t i = 0; i < uvs.size(); ++i) {
            EXPECT_NEAR(uvs[i].x, layout.uvs[i].x, 1e-6 * side);
            EXPECT_NEAR(uvs[i].y, layout.uvs[i].y, 1e-6 * side);
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
    // The padding is 0.004 of the larger side: 4 texels of a 1000 x 1000 texture.
    EXPECT_GE(checkGaps(layout, inTexels(layout, uvs, 1000, 1000, 4.0), 5.0).smallestGap, 4.0 * (1 - 1e-6));

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
            EXPECT_TRUE(inSquare(layout, uvs)) << "seed " << seed << " mode " << mode;
            const GapCheck check = checkGaps(layout, inTexels(layout, uvs, 1024, 512, 4.0), 5.0);
            EXPECT_GE(check.smallestGap, 4.0 * (1 - 1e-6)) << "seed " << seed << " mode " << mode;
        }
    }
}

TEST(Pack, SameLayoutForEveryWorkerCountAndRun) {
    std::vector<std::pair<std::string, Layout>> layouts;
    for (const unsigned seed : {4u, 5u})
        layouts.emplace_back("random " + std::to_string(seed), randomLayout(seed, 60));
    for (const char* name : {"spot.obj", "uv_sphere.obj"}) {
        UVCharts charts;
        std::string problem;
        ASSERT_TRUE(readUVCharts(importObj(std::string(VARNELLE_TEST_DATA "/") + name).front(), charts, problem))
            << problem;
        layouts.emplace_back(name, Layout{charts.uvs, charts.triangles, charts.adjacency});
    }
    for (const auto& [name, layout] : layouts) {
        for (const int mode : {1, 2}) {
            const PackSettings settings = makePackSettings(512, 512, 2.0, true, 2, false, mode);
            std::vector<Point2> first;
            for (const unsigned threads : {1u, 2u, 3u, 4u, 16u, 2u}) {
                std::vector<Point2> uvs = layout.uvs;
                VectorPacker packer;
                pack(packer, uvs, layout.triangles, layout.adjacency, settings, threads);
                if (first.empty()) {
                    first = uvs;
                    continue;
                }
                EXPECT_EQ(std::memcmp(uvs.data(), first.data(), uvs.size() * sizeof(Point2)), 0)
                    << name << ", mode " << mode << ", " << threads << " workers";
            }
        }
    }
}

TEST(Pack, StressedChartsKeepThePaddingInTexels) {
    struct Case {
        int texture;
        double padding;
        int charts;
    };
    for (const Case& c :
         {Case{1024, 0.0, 60}, Case{1024, 2.0, 60}, Case{1024, 8.0, 60}, Case{16, 0.0, 12}, Case{16, 2.0, 12}}) {
        for (const unsigned seed : {11u, 12u}) {
            const Layout layout = stressLayout(seed, c.charts);
            const PackSettings settings = makePackSettings(c.texture, c.texture, c.padding, seed % 2 == 0, 1, false, 1);
            std::vector<Point2> uvs = layout.uvs;
            VectorPacker packer;
            pack(packer, uvs, layout.triangles, layout.adjacency, settings, 2u);
            const std::vector<Point2> texels = inTexels(layout, uvs, c.texture, c.texture, c.padding);
            const GapCheck check = checkGaps(layout, texels, c.padding + 1.0);
            EXPECT_FALSE(check.overlap) << c.texture << " " << c.padding << " seed " << seed;
            EXPECT_GE(check.smallestGap, c.padding * (1 - 1e-6)) << c.texture << " " << c.padding << " seed " << seed;
        }
    }
}

TEST(Pack, PaddingThatCannotBeKeptIsRefused) {
    // At 8 texels of 16 no two charts keep the padding once the border shrink is taken off;
    // a single chart needs no gap. At 16 x 8 the border padding alone fills the short side.
    const Layout three = randomLayout(21, 3);
    const Layout one = stressLayout(22, 1);
    for (const auto& [layout, width, height, refused] :
         {std::tuple{three, 16, 16, true}, std::tuple{one, 16, 16, false}, std::tuple{one, 16, 8, true}}) {
        std::vector<Point2> uvs = layout.uvs;
        VectorPacker packer;
        const PackSettings settings = makePackSettings(width, height, 8.0, false, 1, false, 2);
        if (refused) {
            EXPECT_THROW(pack(packer, uvs, layout.triangles, layout.adjacency, settings, 2u), PackSpaceError);
            EXPECT_EQ(std::memcmp(uvs.data(), layout.uvs.data(), uvs.size() * sizeof(Point2)), 0);
        } else {
            EXPECT_NO_THROW(pack(packer, uvs, layout.triangles, layout.adjacency, settings, 2u));
        }
    }
}
