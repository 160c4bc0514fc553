#include "LayoutChecker.h"
#include "TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

using namespace Isochart;

namespace {

struct Outcome {
    HRESULT status;
    ChartLayout layout;
};

Outcome partition(const TestMesh& mesh, float maxStretch, size_t maxCharts = 0,
                  GeodesicMethod method = GeodesicMethod::Exact) {
    Outcome run;
    PartitionSettings settings;
    settings.maxStretch = maxStretch;
    settings.maxChartCount = maxCharts;
    settings.geodesics = method;
    run.status = partitionCharts(mesh.view(), settings, {}, run.layout);
    return run;
}

// Polygons of the mesh (pairs across a false edge) never straddle two charts.
bool polygonsWhole(const TestMesh& mesh, const ChartLayout& layout) {
    for (size_t c = 0; c < mesh.falseEdges.size(); ++c)
        if (mesh.falseEdges[c] != 0xFFFFFFFFu &&
            layout.chartOfTriangle[c / 3] != layout.chartOfTriangle[mesh.falseEdges[c]])
            return false;
    return true;
}

} // namespace

TEST(ChartPartition, DevelopableSurfacesNeedFewChartsWithoutStretch) {
    const struct {
        const char* name;
        TestMesh mesh;
        size_t mostCharts;
    } cases[] = {
        {"plane", makeGrid(12, 9, 1.0, 1.0), 1},
        // Long charts are cut into pieces that pack into a square texture, and charts that fill
        // little of their rectangle may be cut once more.
        {"long thin strip", makeGrid(300, 1, 1.0, 0.01), 16},
        {"bent sheet", makeGrid(20, 6, 1.0, 1.0, 2.5), 2},
        {"cylinder", makeCylinder(6, 24, 2.0), 4},
        {"cone", makeCone(6, 24), 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome run = partition(c.mesh, 0.0f);
        ASSERT_EQ(run.status, S_OK);
        EXPECT_TRUE(checkLayout(c.mesh, run.layout, 0.0));
        EXPECT_LE(run.layout.chartCount, c.mostCharts);
        EXPECT_TRUE(polygonsWhole(c.mesh, run.layout));
    }
}

TEST(ChartPartition, CubeUnfoldsWithoutStretchAlongItsEdges) {
    const TestMesh cube = makeCube(3);
    const Outcome run = partition(cube, 0.0f);
    ASSERT_EQ(run.status, S_OK);
    EXPECT_TRUE(checkLayout(cube, run.layout, 0.0));
    EXPECT_LE(run.layout.chartCount, 6u);
    EXPECT_GE(run.layout.chartCount, 1u);
    EXPECT_TRUE(polygonsWhole(cube, run.layout));
}

TEST(ChartPartition, ClosedSurfacesAreCutIntoValidCharts) {
    const TestMesh sphere = makeSphere(16, 32);
    for (float limit : {0.0f, 0.15f, 0.5f, 1.0f}) {
        SCOPED_TRACE(limit);
        const Outcome run = partition(sphere, limit);
        ASSERT_EQ(run.status, S_OK);
        EXPECT_TRUE(checkLayout(sphere, run.layout, limit));
        EXPECT_GE(run.layout.chartCount, 2u);
        EXPECT_TRUE(polygonsWhole(sphere, run.layout));
        if (limit == 0.15f) {
            EXPECT_LE(run.layout.chartCount, 4u);
        }
    }
    const TestMesh torus = makeTorus(24, 12);
    for (float limit : {0.0f, 0.15f}) {
        SCOPED_TRACE(limit);
        const Outcome run = partition(torus, limit);
        ASSERT_EQ(run.status, S_OK);
        EXPECT_TRUE(checkLayout(torus, run.layout, limit));
        EXPECT_TRUE(polygonsWhole(torus, run.layout));
    }
}

TEST(ChartPartition, ChartCountLimitWinsOverStretch) {
    const TestMesh sphere = makeSphere(12, 24);
    const Outcome limited = partition(sphere, 0.0f, 3);
    ASSERT_EQ(limited.status, S_OK);
    EXPECT_LE(limited.layout.chartCount, 3u);
    EXPECT_TRUE(checkLayout(sphere, limited.layout, 1.0));

    TestMesh three;
    for (int i = 0; i < 3; ++i)
        three.append(makeGrid(2, 2, 1.0, 1.0), 5.0 * i, 0, 0);
    three.link();
    EXPECT_EQ(partition(three, 0.15f, 2).status, E_FAIL); // charts never join separate pieces
}

TEST(ChartPartition, AwkwardMeshesStillGetValidCharts) {
    // A fin: a third triangle on an edge that two triangles already share.
    TestMesh fin = makeGrid(2, 1, 1.0, 1.0);
    const uint32_t tip = fin.addVertex(1.0, 0.5, 1.0);
    fin.addTriangle(1, 4, tip);
    fin.link();

    // Zero-area triangles: collinear corners and a repeated corner, inside a sheet.
    TestMesh slivers = makeGrid(3, 3, 1.0, 1.0);
    const uint32_t middle = slivers.addVertex(0.5, 0.0, 0.0);
    slivers.addTriangle(0, middle, 1);
    slivers.addTriangle(5, 5, 6);
    const uint32_t far = slivers.addVertex(9.0, 9.0, 9.0);
    slivers.addTriangle(far, far, far);
    slivers.link();

    // Several pieces of different kinds, and a bowtie: two fans meeting at one vertex.
    TestMesh pieces = makeCube(1);
    pieces.append(makeSphere(6, 8), 4, 0, 0);
    pieces.append(makeGrid(3, 1, 1.0, 0.2), 0, 4, 0);
    const uint32_t bow = pieces.addVertex(10, 10, 0);
    const uint32_t b1 = pieces.addVertex(11, 10, 0), b2 = pieces.addVertex(11, 11, 0);
    const uint32_t b3 = pieces.addVertex(9, 10, 0), b4 = pieces.addVertex(9, 9, 0);
    pieces.addTriangle(bow, b1, b2);
    pieces.addTriangle(bow, b3, b4);
    pieces.link();

    for (const TestMesh* mesh : {&fin, &slivers, &pieces})
        for (float limit : {0.0f, 0.15f}) {
            SCOPED_TRACE(testing::Message() << mesh->triangleCount() << " triangles at " << limit);
            const Outcome run = partition(*mesh, limit);
            ASSERT_EQ(run.status, S_OK);
            EXPECT_TRUE(checkLayout(*mesh, run.layout, limit));
        }
    EXPECT_GE(partition(pieces, 0.15f).layout.chartCount, 4u);
}

TEST(ChartPartition, ImpossibleInputFailsCleanly) {
    TestMesh mesh = makeGrid(2, 2, 1.0, 1.0);
    TestMesh broken = mesh;
    broken.positions[4] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(partition(broken, 0.15f).status, E_FAIL);
    broken = mesh;
    broken.indices[5] = 1000;
    EXPECT_EQ(partition(broken, 0.15f).status, E_FAIL);
    broken = mesh;
    broken.adjacency.pop_back();
    EXPECT_EQ(partition(broken, 0.15f).status, E_FAIL);
    EXPECT_EQ(partition(TestMesh{}, 0.15f).status, E_FAIL);

    // Inconsistent adjacency (one-sided or naming a stranger) is treated as a border.
    TestMesh lying = makeGrid(4, 4, 1.0, 1.0);
    lying.adjacency[0] = 7;
    lying.adjacency[4] = 0xFFFFFFF0u;
    const Outcome run = partition(lying, 0.0f);
    ASSERT_EQ(run.status, S_OK);
    EXPECT_TRUE(checkLayout(lying, run.layout, 0.0));
}

TEST(ChartPartition, ProgressRisesAndCanStopTheWork) {
    const TestMesh sphere = makeSphere(16, 32);
    PartitionSettings settings;
    std::vector<float> seen;
    ChartLayout layout;
    ASSERT_EQ(partitionCharts(
                  sphere.view(), settings,
                  [&](float f) {
                      seen.push_back(f);
                      return true;
                  },
                  layout),
              S_OK);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 1.0f);
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_GE(seen[i], seen[i - 1]);

    ChartLayout untouched;
    EXPECT_EQ(partitionCharts(
                  sphere.view(), settings, [](float) { return false; }, untouched),
              E_ABORT);
    EXPECT_EQ(untouched.chartCount, 0u);
    int calls = 0;
    EXPECT_EQ(partitionCharts(
                  sphere.view(), settings, [&](float) { return ++calls < 3; }, untouched),
              E_ABORT);
}

TEST(ChartPartition, SameInputGivesSameLayout) {
    const TestMesh torus = makeTorus(20, 10);
    for (GeodesicMethod method : {GeodesicMethod::Exact, GeodesicMethod::Approximate}) {
        const Outcome first = partition(torus, 0.15f, 0, method), second = partition(torus, 0.15f, 0, method);
        ASSERT_EQ(first.status, S_OK);
        EXPECT_EQ(first.layout.chartOfTriangle, second.layout.chartOfTriangle);
        EXPECT_EQ(first.layout.vertexUVs, second.layout.vertexUVs);
        EXPECT_TRUE(checkLayout(torus, first.layout, 0.15));
    }
}

namespace {

// A capped cylinder of `sides` corners along z, its caps and side quads as polygons, every
// coordinate a multiple of 2^-20 so that moving it by whole units is exact in floats.
TestMesh cappedCylinder(int sides, double radius, double length, double dx, double dy, double dz) {
    auto snap = [](double x) { return std::ldexp(std::round(std::ldexp(x, 20)), -20); };
    TestMesh mesh;
    std::vector<uint32_t> bottom, top;
    for (int end = 0; end < 2; ++end)
        for (int i = 0; i < sides; ++i) {
            const double angle = 2.0 * std::numbers::pi * i / sides;
            (end ? top : bottom)
                .push_back(mesh.addVertex(snap(radius * std::cos(angle)) + dx, snap(radius * std::sin(angle)) + dy,
                                          snap(end * length) + dz));
        }
    for (int i = 0; i < sides; ++i)
        mesh.addQuad(bottom[i], bottom[(i + 1) % sides], top[(i + 1) % sides], top[i]);
    mesh.addPolygon({bottom.rbegin(), bottom.rend()});
    mesh.addPolygon(top);
    mesh.link();
    return mesh;
}

// A polygon whose fan turns more than a full circle around its first corner: its exact
// unfolding overlaps itself, so it cannot make a chart without stretch on its own.
TestMesh pleatedPolygon() {
    TestMesh mesh;
    std::vector<uint32_t> corners{mesh.addVertex(0, 0, 0)};
    for (int i = 0; i < 24; ++i) {
        const double angle = 1.8 * std::numbers::pi * i / 23;
        corners.push_back(mesh.addVertex(std::cos(angle), std::sin(angle), i % 2 ? 2.0 : -2.0));
    }
    mesh.addPolygon(corners);
    mesh.link();
    return mesh;
}

} // namespace

TEST(ChartPartition, SmallPartFarFromTheOriginGetsTheSameChartsAsNearIt) {
    const TestMesh near = cappedCylinder(12, 0.015, 0.16, 0, 0, 0);
    const TestMesh far = cappedCylinder(12, 0.015, 0.16, 7, -7, 7);
    for (float limit : {0.0f, 1e-4f, 0.01f, 0.15f, 1.0f}) {
        SCOPED_TRACE(limit);
        const Outcome a = partition(near, limit), b = partition(far, limit);
        ASSERT_EQ(a.status, S_OK);
        ASSERT_EQ(b.status, S_OK);
        EXPECT_TRUE(checkLayout(far, b.layout, limit));
        EXPECT_EQ(a.layout.chartOfTriangle, b.layout.chartOfTriangle);
        EXPECT_EQ(a.layout.vertexUVs, b.layout.vertexUVs);
        EXPECT_TRUE(polygonsWhole(far, b.layout));
    }
    // Off the float grid the far part's corners are rounded, and it must still unwrap.
    TestMesh rounded;
    rounded.append(near, 6.9012345, -7.0456789, 7.0123457);
    rounded.link();
    for (float limit : {0.0f, 1e-4f, 0.15f, 0.5f, 1.0f}) {
        SCOPED_TRACE(limit);
        const Outcome run = partition(rounded, limit);
        ASSERT_EQ(run.status, S_OK);
        EXPECT_TRUE(checkLayout(rounded, run.layout, limit));
    }
}

TEST(ChartPartition, StrictLimitsOnLargePolygonsSucceedWithinTheLimit) {
    // A 28-sided cap with 11 side quads hanging from it.
    TestMesh piece;
    std::vector<uint32_t> cap, rim;
    for (int i = 0; i < 28; ++i) {
        const double angle = 2.0 * std::numbers::pi * i / 28;
        cap.push_back(piece.addVertex(-6.3 + 0.5 * std::cos(angle), 2.1 + 0.5 * std::sin(angle), -9.4));
        rim.push_back(piece.addVertex(-6.3 + 0.5 * std::cos(angle), 2.1 + 0.5 * std::sin(angle), -10.2));
    }
    for (int i = 0; i < 11; ++i)
        piece.addQuad(rim[i], rim[i + 1], cap[i + 1], cap[i]);
    piece.addPolygon(cap);
    piece.link();
    TestMesh scene = cappedCylinder(32, 0.2, 0.05, 0, 0, 0);
    scene.append(cappedCylinder(7, 0.01, 0.3, 0, 0, 0), 3.5, -2.25, 1.75);
    scene.append(piece, 0, 0, 0);
    scene.link();
    for (const TestMesh* mesh : {&piece, &scene})
        for (float limit : {0.0f, 1e-4f, 5e-4f}) {
            SCOPED_TRACE(testing::Message() << mesh->triangleCount() << " triangles at " << limit);
            const Outcome run = partition(*mesh, limit);
            ASSERT_EQ(run.status, S_OK);
            EXPECT_TRUE(checkLayout(*mesh, run.layout, limit));
            EXPECT_LE(run.layout.maxStretch, limit);
            EXPECT_TRUE(polygonsWhole(*mesh, run.layout));
            EXPECT_EQ(run.layout.cutPolygonCount, 0u);
        }
}

TEST(ChartPartition, PolygonsThatCannotMakeAChartAreCutAlongTheirTriangulation) {
    // A pleated polygon, and a polygon that wraps a whole sphere.
    TestMesh pleated = pleatedPolygon();
    TestMesh sealed = makeSphere(6, 8);
    sealed.falseEdges = sealed.adjacency;
    for (TestMesh* mesh : {&pleated, &sealed})
        for (float limit : {0.0f, 0.15f}) {
            SCOPED_TRACE(testing::Message() << mesh->triangleCount() << " triangles at " << limit);
            const Outcome run = partition(*mesh, limit);
            ASSERT_EQ(run.status, S_OK);
            EXPECT_TRUE(checkLayout(*mesh, run.layout, limit));
            EXPECT_EQ(run.layout.cutPolygonCount, 1u);
            EXPECT_GE(run.layout.chartCount, 2u);
        }
}
