#include "PackerTestCharts.h"

#include "apps/varnelle/UVCharts.h"
#include "hostapi/ObjFile.h"
#include "packer/ChartPreparation.h"
#include "packer/Pack.h"

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
