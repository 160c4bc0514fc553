#include "LayoutChecker.h"
#include "TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
        {"long thin strip", makeGrid(300, 1, 1.0, 0.01), 1},
        {"bent sheet", makeGrid(20, 6, 1.0, 1.0, 2.5), 1},
        {"cylinder", makeCylinder(6, 24, 2.0), 2},
        {"cone", makeCone(6, 24), 2},
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

    // A polygon that wraps a whole sphere cannot be cut, so no chart can hold it.
    TestMesh sealed = makeSphere(6, 8);
    sealed.falseEdges = sealed.adjacency;
    EXPECT_EQ(partition(sealed, 0.15f).status, E_FAIL);

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
