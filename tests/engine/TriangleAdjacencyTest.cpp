#include "engine/TriangleAdjacency.h"
#include "hostapi/MessageBox.h"

#include <gtest/gtest.h>

namespace {

UnwrapMesh meshOf(std::vector<float> positions, std::vector<uint32_t> indices) {
    return UnwrapMesh(positions, indices);
}

std::vector<uint32_t> adjacencyOf(const UnwrapMesh& mesh) {
    std::vector<uint32_t> adjacency;
    EXPECT_EQ(computeTriangleAdjacency(mesh, adjacency), S_OK);
    return adjacency;
}

const std::vector<float> square{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};

} // namespace

TEST(TriangleAdjacency, LinksTrianglesAcrossSharedEdges) {
    const std::vector<uint32_t> adjacency = adjacencyOf(meshOf(square, {0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(adjacency, (std::vector<uint32_t>{NIL, NIL, 1, 0, NIL, NIL}));
}

TEST(TriangleAdjacency, UnlinkedCases) {
    // Inconsistent winding: both run 2 -> 0.
    EXPECT_EQ(adjacencyOf(meshOf(square, {0, 1, 2, 0, 3, 2})), std::vector<uint32_t>(6, NIL))
        << "same-direction edges must not link";
    // A repeated vertex index links to nothing and nothing links to it.
    EXPECT_EQ(adjacencyOf(meshOf(square, {0, 1, 2, 0, 2, 2})), std::vector<uint32_t>(6, NIL));
    EXPECT_EQ(adjacencyOf(meshOf(square, {0, 1, 2, 0, 2, NIL})), std::vector<uint32_t>(6, NIL));
    // Fewer than three vertices: every triangle repeats one.
    EXPECT_EQ(adjacencyOf(meshOf({0, 0, 0, 1, 0, 0}, {0, 1, 1, 1, 0, 0})), std::vector<uint32_t>(6, NIL));
}

TEST(TriangleAdjacency, ThreeTrianglesOnAnEdgeLinkTheClosestNormals) {
    // Triangle 0 lies in z = 0; triangle 1 folds slightly down, triangle 2 stands upright.
    // All of 1 and 2 run the edge 1 -> 0 against triangle 0's 0 -> 1.
    const std::vector<float> positions{0, 0, 0, 1, 0, 0, 0.5f, 1, 0, 0.5f, -1, -0.1f, 0.5f, 0, 1};
    const std::vector<uint32_t> first = adjacencyOf(meshOf(positions, {0, 1, 2, 1, 0, 4, 1, 0, 3}));
    EXPECT_EQ(first[0], 2u); // triangle 2 (the flat one) is closer in normal than the upright one
    EXPECT_EQ(first[6], 0u);
    EXPECT_EQ(first[3], NIL);

    // Equal normals: the triangle listed last wins the tie.
    const std::vector<uint32_t> tied = adjacencyOf(meshOf(positions, {0, 1, 2, 1, 0, 3, 1, 0, 3}));
    EXPECT_EQ(tied[0], 2u);
    EXPECT_EQ(tied[3], NIL);
}

TEST(TriangleAdjacency, TwoTrianglesSharingTwoEdgesLinkOnce) {
    const std::vector<float> positions{0, 0, 0, 1, 0, 0, 0, 1, 0};
    const std::vector<uint32_t> adjacency = adjacencyOf(meshOf(positions, {0, 1, 2, 1, 0, 2}));
    // Triangle 0 meets triangle 1 first on its corner 0 (edge 0-1); the second shared edge stays open.
    EXPECT_EQ(adjacency[0], 1u);
    EXPECT_EQ(std::count(adjacency.begin(), adjacency.begin() + 3, 1u), 1);
    EXPECT_EQ(std::count(adjacency.begin() + 3, adjacency.end(), 0u), 1);
}

TEST(TriangleAdjacency, FailuresLeaveTheOutputAndNotifyOnce) {
    std::vector<uint32_t> adjacency{7};
    EXPECT_EQ(computeTriangleAdjacency(meshOf(square, {}), adjacency), E_INVALIDARG);
    EXPECT_EQ(computeTriangleAdjacency(meshOf({}, {0, 1, 2}), adjacency), E_INVALIDARG);
    EXPECT_EQ(computeTriangleAdjacency(meshOf(square, {0, 1, 4}), adjacency), E_UNEXPECTED);
    EXPECT_EQ(adjacency, std::vector<uint32_t>{7});

    M3dView::setApplicationShell(1);
    clearShownNotifications();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(collectAdjacency(meshOf(square, {0, 1, 9}), {}).empty());
    testing::internal::GetCapturedStderr();
    const std::vector<Notification> shown = shownNotifications();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Cannot collect adjacency data for mesh.");
    EXPECT_EQ(shown[0].caption, "Notification");
    EXPECT_EQ(shown[0].type, 0u);

    // Without a main window nothing is shown.
    M3dView::setApplicationShell(0);
    clearShownNotifications();
    EXPECT_TRUE(collectAdjacency(meshOf(square, {0, 1, 9}), {}).empty());
    EXPECT_TRUE(shownNotifications().empty());
}

TEST(TriangleAdjacency, CutMarksCutOnlyTheMarkedCorners) {
    const std::vector<uint32_t> adjacency = collectAdjacency(meshOf(square, {0, 1, 2, 0, 2, 3}), {0, 0, NIL, 0, 0, 0});
    EXPECT_EQ(adjacency, (std::vector<uint32_t>{NIL, NIL, NIL, 0, NIL, NIL}));
}
