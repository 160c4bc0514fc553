#include "core/MeshDataCollector.h"
#include "core/UnwrapMesh.h"
#include "tests/support/TestMeshes.h"

#include <gtest/gtest.h>

namespace {

struct Collected {
    MStatus status;
    std::vector<float> positions;
    std::vector<uint32_t> indices, cutMarks, falseEdges;
    MIntArray seamPairs;
};

Collected collect(const MObject& mesh, const UnwrapSettings& settings) {
    Collected result;
    collectMeshData(settings, result.status, mesh, result.positions, result.indices, result.cutMarks, result.falseEdges,
                    &result.seamPairs);
    return result;
}

size_t nilCount(const std::vector<uint32_t>& values) {
    return std::count(values.begin(), values.end(), NIL);
}

} // namespace

TEST(MeshDataCollector, SingleQuadGivesTwoTrianglesThatNameEachOther) {
    const MObject quad = testmesh::make({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
    const Collected result = collect(quad, UnwrapSettings::commandDefaults());
    ASSERT_TRUE(result.status);
    EXPECT_EQ(result.positions.size(), 12u);
    EXPECT_EQ(result.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(result.cutMarks, std::vector<uint32_t>(6, 0));
    // The diagonal 2-0 is corner 2 of triangle 0 and corner 0 of triangle 1.
    EXPECT_EQ(result.falseEdges, (std::vector<uint32_t>{NIL, NIL, 1, 0, NIL, NIL}));
}

TEST(MeshDataCollector, SeamsComeFromTheCurrentSetOrTheFallbackName) {
    // Two quads side by side; every face-vertex has its own UV, so the shared edge is a seam.
    const MObject pair = testmesh::make({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}},
                                        {{0, 1, 4, 3}, {1, 2, 5, 4}});
    testmesh::addUVs(pair, false);
    UnwrapSettings settings = UnwrapSettings::commandDefaults();
    settings.keep_seams = true;
    Collected result = collect(pair, settings);
    EXPECT_EQ(nilCount(result.cutMarks), 2u);
    EXPECT_EQ(result.seamPairs.length(), 4u); // the shared edge, once from each side

    // Seams are still reported but not cut when seams are not kept...
    settings.keep_seams = false;
    result = collect(pair, settings);
    EXPECT_EQ(nilCount(result.cutMarks), 0u);
    EXPECT_EQ(result.seamPairs.length(), 4u);
    // ...except by the existing-UV method.
    settings.unwrap_type = ExistingUVs;
    EXPECT_EQ(nilCount(collect(pair, settings).cutMarks), 2u);

    // Shared UVs: no seams at all.
    const MObject sharedPair = testmesh::make({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}},
                                              {{0, 1, 4, 3}, {1, 2, 5, 4}});
    testmesh::addUVs(sharedPair, true);
    EXPECT_EQ(nilCount(collect(sharedPair, settings).cutMarks), 0u);

    // A set that is not current is found through the fallback name when no set is current.
    sharedPair.as<MeshData>()->uvSets()[0].name = "other";
    sharedPair.as<MeshData>()->setCurrentUVSet(-1);
    settings.uv_set = "other";
    EXPECT_EQ(nilCount(collect(sharedPair, settings).cutMarks), 0u);
    settings.uv_set = "map1"; // no such set: every inner edge lacks UVs and is a seam
    EXPECT_EQ(nilCount(collect(sharedPair, settings).cutMarks), 2u);
}

TEST(MeshDataCollector, MeshWithoutPolygonsAndNonMeshObjects) {
    const MObject empty = testmesh::make({{0, 0, 0}, {1, 0, 0}}, {});
    Collected result = collect(empty, UnwrapSettings::commandDefaults());
    EXPECT_TRUE(result.status);
    EXPECT_EQ(result.positions.size(), 6u);
    EXPECT_TRUE(result.indices.empty());
    EXPECT_TRUE(result.cutMarks.empty());

    testing::internal::CaptureStderr();
    result = collect(MObject(), UnwrapSettings::commandDefaults());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Data collector could not retrieve faces from mesh.\n");
    EXPECT_FALSE(result.status);
}
