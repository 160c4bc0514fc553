#include "TestMeshes.h"

#include "isochart/ChartFlattening.h"
#include "isochart/ChartMesh.h"
#include "isochart/ChartOverlap.h"
#include "isochart/ChartStretch.h"
#include "isochart/CutRefinement.h"
#include "isochart/ExactGeodesicDistance.h"
#include "isochart/GeodesicDistance.h"
#include "isochart/LandmarkEmbedding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

using namespace Isochart;

namespace {

// The whole mesh as one chart.
struct WholeChart {
    SurfaceMesh surface;
    ChartMesh chart;

    explicit WholeChart(const TestMesh& mesh) {
        EXPECT_EQ(buildSurfaceMesh(mesh.view(), surface), S_OK);
        std::vector<uint32_t> all(surface.triangleCount());
        std::iota(all.begin(), all.end(), 0u);
        ChartScratch scratch(surface.triangleCount());
        buildChartMesh(surface, all, scratch, chart);
    }

    Eigen::Vector3d position(uint32_t v) const { return surface.positions[chart.vertexSource[v]]; }
};

} // namespace

TEST(ChartPieces, ChartMeshKnowsDisksAndSplitsFans) {
    EXPECT_TRUE(WholeChart(makeGrid(5, 4, 1, 1)).chart.isDisk());
    EXPECT_FALSE(WholeChart(makeCylinder(3, 12, 1)).chart.isDisk());
    EXPECT_FALSE(WholeChart(makeSphere(6, 8)).chart.isDisk());
    EXPECT_FALSE(WholeChart(makeTorus(8, 6)).chart.isDisk());

    // Two triangles meeting only at vertex 0: two pieces, and vertex 0 once in each.
    TestMesh bowtie;
    for (const auto& p : {std::array{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {-1.0, 0.0}, {-1.0, -1.0}})
        bowtie.addVertex(p[0], p[1], 0);
    bowtie.addTriangle(0, 1, 2);
    bowtie.addTriangle(0, 3, 4);
    bowtie.link();
    const WholeChart pair(bowtie);
    EXPECT_EQ(pair.chart.componentCount, 2u);
    EXPECT_EQ(pair.chart.vertexCount(), 6u);
}

TEST(ChartPieces, FastMarchingFollowsTheSurface) {
    const double pi = std::numbers::pi;
    EXPECT_NEAR(GeodesicDist::frontDistance({0, 0, 0}, std::sqrt(1.25), {1, 0, 0}, std::sqrt(1.25), {0.5, 1, 0}), 2.0,
                1e-12);
    EXPECT_EQ(GeodesicDist::frontDistance({0, 0, 0}, 5.0, {1, 0, 0}, 0.0, {0.5, 1, 0}),
              std::numeric_limits<double>::infinity());

    const WholeChart plane(makeGrid(24, 24, 1, 1));
    GeodesicDist::CApproximateOneToAll onPlane(plane.surface, plane.chart);
    std::vector<double> distance;
    onPlane.compute(0, distance);
    for (uint32_t v = 0; v < plane.chart.vertexCount(); ++v) {
        const double straight = (plane.position(v) - plane.position(0)).norm();
        EXPECT_GE(distance[v], straight - 1e-9);
        EXPECT_LE(distance[v], straight * 1.03 + 1e-9);
    }

    // Around a cylinder to the far side: half the circumference.
    const WholeChart tube(makeCylinder(4, 48, 1.0));
    GeodesicDist::CApproximateOneToAll onTube(tube.surface, tube.chart);
    onTube.compute(0, distance);
    const auto opposite = std::find(tube.chart.vertexSource.begin(), tube.chart.vertexSource.end(), 24u);
    ASSERT_EQ(tube.chart.vertexSource[0], 0u);
    EXPECT_NEAR(distance[opposite - tube.chart.vertexSource.begin()], pi, 0.03 * pi);

    // Pole to pole on a sphere: half a great circle.
    const WholeChart ball(makeSphere(24, 48));
    GeodesicDist::CApproximateOneToAll onBall(ball.surface, ball.chart);
    onBall.compute(0, distance);
    EXPECT_NEAR(*std::max_element(distance.begin(), distance.end()), pi, 0.03 * pi);
}

TEST(ChartPieces, ExactGeodesicsUnfoldStraightLines) {
    std::vector<double> exact, approximate;
    // On flat and developable sheets the shortest path is a straight line in the unrolled
    // sheet; the bent sheet's x coordinate before bending is its column.
    const WholeChart plane(makeGrid(12, 9, 1, 0.7));
    GeodesicDist::CExactOneToAll onPlane(plane.surface, plane.chart);
    onPlane.compute(5, exact);
    for (uint32_t v = 0; v < plane.chart.vertexCount(); ++v)
        EXPECT_NEAR(exact[v], (plane.position(v) - plane.position(5)).norm(), 1e-9);

    const TestMesh bentMesh = makeGrid(16, 4, 1, 1, 3.0);
    const WholeChart bent(bentMesh);
    GeodesicDist::CExactOneToAll onBent(bent.surface, bent.chart);
    onBent.compute(0, exact);
    const double chord = (bent.surface.positions[1] - bent.surface.positions[0]).norm();
    auto unrolled = [&](uint32_t v) {
        const uint32_t input = bent.chart.vertexSource[v];
        return Eigen::Vector2d(chord * double(input % 17), double(input / 17));
    };
    for (uint32_t v = 0; v < bent.chart.vertexCount(); ++v)
        EXPECT_NEAR(exact[v], (unrolled(v) - unrolled(0)).norm(), 1e-5) << v;

    // On curved surfaces exact distances lie between the straight line and fast marching's
    // distances, which follow edges where no front reaches.
    for (const TestMesh& mesh : {makeSphere(12, 24), makeTorus(16, 8), makeCube(3)}) {
        const WholeChart whole(mesh);
        GeodesicDist::CExactOneToAll precise(whole.surface, whole.chart);
        GeodesicDist::CApproximateOneToAll fast(whole.surface, whole.chart);
        precise.compute(0, exact);
        fast.compute(0, approximate);
        for (uint32_t v = 0; v < whole.chart.vertexCount(); ++v) {
            EXPECT_LE(exact[v], approximate[v] * (1 + 1e-7));
            EXPECT_GE(exact[v], approximate[v] * 0.9);
            EXPECT_GE(exact[v], (whole.position(v) - whole.position(0)).norm() - 1e-9);
        }
    }
}

TEST(ChartPieces, PrincipalCoordinateRunsAlongTheLongSide) {
    const WholeChart strip(makeGrid(40, 4, 1, 1, 2.0));
    std::vector<double> coordinate;
    ASSERT_TRUE(principalCoordinate(strip.surface, strip.chart, GeodesicMethod::Approximate, 8, coordinate));
    // On the bent strip the column index measures the way along it.
    std::vector<double> along(strip.chart.vertexCount());
    for (uint32_t v = 0; v < along.size(); ++v)
        along[v] = double(strip.chart.vertexSource[v] % 41);
    const double n = double(along.size());
    const double meanA = std::accumulate(along.begin(), along.end(), 0.0) / n;
    const double meanC = std::accumulate(coordinate.begin(), coordinate.end(), 0.0) / n;
    double cov = 0, varA = 0, varC = 0;
    for (size_t v = 0; v < along.size(); ++v) {
        cov += (along[v] - meanA) * (coordinate[v] - meanC);
        varA += (along[v] - meanA) * (along[v] - meanA);
        varC += (coordinate[v] - meanC) * (coordinate[v] - meanC);
    }
    EXPECT_GT(std::abs(cov) / std::sqrt(varA * varC), 0.99);
}

TEST(ChartPieces, GraphCutMovesToTheFoldAndKeepsPolygonsWhole) {
    // A sheet folded by a right angle along x = 10.
    TestMesh sheet;
    for (int i = 0; i <= 6; ++i)
        for (int j = 0; j <= 20; ++j)
            sheet.addVertex(std::min(j, 10), i, std::max(j - 10, 0));
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 20; ++j)
            sheet.addQuad(i * 21 + j, i * 21 + j + 1, (i + 1) * 21 + j + 1, (i + 1) * 21 + j);
    sheet.link();
    const WholeChart folded(sheet);
    auto columnOf = [&](uint32_t t) { return (sheet.indices[3 * folded.chart.triangles[t]] % 21); };
    std::vector<double> value(folded.chart.triangleCount());
    for (uint32_t t = 0; t < value.size(); ++t)
        value[t] = double(columnOf(t)) + 0.5 - 13.0; // an initial cut three columns past the fold
    std::vector<uint8_t> side;
    refineCut(folded.surface, folded.chart, value, 5.0, false, side);
    for (uint32_t t = 0; t < value.size(); ++t)
        EXPECT_EQ(side[t], columnOf(t) < 10 ? 1 : 0) << "triangle " << t;

    // A cut through the middle of every quad must pick whole quads.
    for (uint32_t t = 0; t < value.size(); ++t)
        value[t] = folded.chart.triangles[t] % 2 == 0 ? 0.1 : -0.1;
    refineCut(folded.surface, folded.chart, value, 1.0, false, side);
    for (uint32_t t = 0; t + 1 < value.size(); t += 2)
        EXPECT_EQ(side[t], side[t + 1]);
}

TEST(ChartPieces, StretchIsMeasuredAtTheBestScale) {
    const WholeChart sheet(makeGrid(3, 2, 1, 1));
    std::vector<Eigen::Vector2d> uv(sheet.chart.vertexCount());
    auto mapWith = [&](double sx, double sy) {
        for (uint32_t v = 0; v < uv.size(); ++v)
            uv[v] = Eigen::Vector2d(sx * sheet.position(v).x(), sy * sheet.position(v).y());
        return chartStretchSquared(sheet.surface, sheet.chart, uv);
    };
    EXPECT_NEAR(mapWith(1, 1), 1.0, 1e-12);
    EXPECT_NEAR(mapWith(3, 3), 1.0, 1e-12);
    EXPECT_NEAR(mapWith(2, 1), 1.25, 1e-12);
    EXPECT_EQ(mapWith(-1, 1), std::numeric_limits<double>::infinity());
    EXPECT_TRUE(meetsStretchLimit(1.25, 0.2));
    EXPECT_FALSE(meetsStretchLimit(1.25 * (1 + 1e-9), 0.2));
    // Below single precision's resolution sigma^2 is 1: no stretch, even at the strictest limit.
    EXPECT_TRUE(meetsStretchLimit(1.0 + 1e-8, 0.0));
    EXPECT_FALSE(meetsStretchLimit(1.0 + 1e-6, 0.0));
    EXPECT_TRUE(meetsStretchLimit(1e9, 1.0));
}

TEST(ChartPieces, FlatteningUnrollsDevelopableChartsAndFindsOverlaps) {
    const WholeChart bent(makeGrid(30, 5, 1, 1, 3.5));
    std::vector<Eigen::Vector2d> uv;
    EXPECT_LT(flattenChart(bent.surface, bent.chart, uv), 1.0 + 1e-6);
    EXPECT_FALSE(hasSelfOverlap(bent.chart, uv));

    // A strip wound one and a quarter times around a circle overlaps itself without flips.
    const WholeChart strip(makeGrid(40, 1, 1, 1));
    uv.resize(strip.chart.vertexCount());
    auto wind = [&](double turns) {
        for (uint32_t v = 0; v < uv.size(); ++v) {
            const double angle = 2 * std::numbers::pi * turns * strip.position(v).x() / 40.0;
            const double radius = 4.0 - strip.position(v).y();
            uv[v] = radius * Eigen::Vector2d(std::cos(angle), std::sin(angle));
        }
    };
    wind(0.9);
    ASSERT_LT(chartStretchSquared(strip.surface, strip.chart, uv), 10.0);
    EXPECT_FALSE(hasSelfOverlap(strip.chart, uv));
    wind(1.25);
    ASSERT_LT(chartStretchSquared(strip.surface, strip.chart, uv), 10.0);
    EXPECT_TRUE(hasSelfOverlap(strip.chart, uv));
}
