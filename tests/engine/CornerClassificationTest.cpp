#include "core/MeshDataCollector.h"
#include "core/UnwrapMesh.h"
#include "tests/support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::vector<uint32_t> cutMarksOf(const MObject& mesh, const UnwrapSettings& settings) {
    MStatus status;
    std::vector<float> positions;
    std::vector<uint32_t> indices, cutMarks, falseEdges;
    collectMeshData(settings, status, mesh, positions, indices, cutMarks, falseEdges, nullptr);
    EXPECT_TRUE(status);
    return cutMarks;
}

size_t cutCount(const MObject& mesh, const UnwrapSettings& settings) {
    const std::vector<uint32_t> marks = cutMarksOf(mesh, settings);
    return std::count(marks.begin(), marks.end(), NIL);
}

UnwrapSettings angleSettings(bool grooves, double grooveAngle, bool ridges, double ridgeAngle) {
    UnwrapSettings settings = UnwrapSettings::commandDefaults();
    settings.use_grooves = grooves;
    settings.groove_angle = grooveAngle;
    settings.use_ridges = ridges;
    settings.ridge_angle = ridgeAngle;
    return settings;
}

// Two unit quads meeting along the x axis, the second tilted up (a valley, concave as seen
// from the +z side the quads face) or down (a ridge) by `degrees`.
MObject hinge(double degrees) {
    const double radians = degrees * M_PI / 180.0;
    const double y = std::cos(radians), z = std::sin(radians);
    return testmesh::make({{0, -1, 0}, {1, -1, 0}, {0, 0, 0}, {1, 0, 0}, {0, y, z}, {1, y, z}},
                          {{0, 1, 3, 2}, {2, 3, 5, 4}});
}

} // namespace

TEST(CornerClassification, CubeEdgesAreRidges) {
    const MObject cube = testmesh::cube();
    // 12 edges, each cut from both of its triangles' corners.
    EXPECT_EQ(cutCount(cube, angleSettings(false, 0, true, 80)), 24u);
    EXPECT_EQ(cutCount(cube, angleSettings(false, 0, true, 90)), 24u); // exactly at the threshold
    EXPECT_EQ(cutCount(cube, angleSettings(false, 0, true, 91)), 0u);
    EXPECT_EQ(cutCount(cube, angleSettings(true, 1, false, 0)), 0u);
}

TEST(CornerClassification, FlatEdgesFallOnTheGrooveSide) {
    const MObject flat = testmesh::grid(3); // 12 inner quad edges
    EXPECT_EQ(cutCount(flat, angleSettings(true, 0, false, 0)), 24u);
    EXPECT_EQ(cutCount(flat, angleSettings(false, 0, true, 0)), 0u);
    EXPECT_EQ(cutCount(flat, angleSettings(true, 0.001, false, 0)), 0u);
}

TEST(CornerClassification, GroovesAndRidgesAreToldApartByTheFold) {
    const MObject valley = hinge(60.0); // folded towards the faces' side
    const MObject ridge = hinge(-60.0);
    EXPECT_EQ(cutCount(valley, angleSettings(true, 59, false, 0)), 2u);
    EXPECT_EQ(cutCount(valley, angleSettings(true, 61, false, 0)), 0u);
    EXPECT_EQ(cutCount(valley, angleSettings(false, 0, true, 0)), 0u);
    EXPECT_EQ(cutCount(ridge, angleSettings(false, 0, true, 59)), 2u);
    EXPECT_EQ(cutCount(ridge, angleSettings(false, 0, true, 61)), 0u);
    EXPECT_EQ(cutCount(ridge, angleSettings(true, 0, false, 0)), 0u);
}

TEST(CornerClassification, NonManifoldAndBorderEdgesGetNoAngleTest) {
    // A fin of three triangles on one edge: a seam (three faces) but never an angle cut.
    const MObject fin =
        testmesh::make({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0.2}, {0, 0, 1}}, {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}});
    EXPECT_EQ(cutCount(fin, angleSettings(true, 0, true, 0)), 0u);
    UnwrapSettings keep = UnwrapSettings::commandDefaults();
    keep.keep_seams = true;
    EXPECT_EQ(cutCount(fin, keep), 3u);
}
