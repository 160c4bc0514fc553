#include "hostapi/MFnMesh.h"
#include "hostapi/MItMeshEdge.h"
#include "hostapi/MItMeshPolygon.h"
#include "hostapi/MItMeshVertex.h"
#include "hostapi/Triangulation.h"
#include "tests/support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

double signedAreaXY(const MPointArray& p) {
    return 0.5 * ((p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[2].x - p[0].x) * (p[1].y - p[0].y));
}

// Triangulates one polygon through the polygon iterator and checks count, winding and area.
void expectTriangulationCovers(const MObject& mesh, double expectedArea) {
    MItMeshPolygon polygon(mesh);
    int count = 0;
    ASSERT_TRUE(polygon.numTriangles(count));
    EXPECT_EQ(count, static_cast<int>(polygon.polygonVertexCount()) - 2);
    double area = 0.0;
    MPointArray points;
    MIntArray vertices;
    for (int t = 0; t < count; ++t) {
        ASSERT_TRUE(polygon.getTriangle(t, points, vertices));
        const double triangleArea = signedAreaXY(points);
        EXPECT_GT(triangleArea, 0.0) << "triangle " << t << " is flipped or degenerate";
        area += triangleArea;
    }
    EXPECT_NEAR(area, expectedArea, 1e-9);
}

} // namespace

TEST(MeshTopology, TriangulatesQuadsConcaveAndLargePolygons) {
    const MObject quad = testmesh::make({{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
    expectTriangulationCovers(quad, 2.0);
    MItMeshPolygon polygon(quad);
    MPointArray points;
    MIntArray vertices;
    polygon.getTriangle(0, points, vertices);
    EXPECT_EQ(vertices.items(), (std::vector<int>{0, 1, 2})); // a convex polygon gives the fan from corner 0
    polygon.getTriangle(1, points, vertices);
    EXPECT_EQ(vertices.items(), (std::vector<int>{0, 2, 3}));

    // An L shape: the fan from corner 0 would leave the polygon.
    const MObject ell =
        testmesh::make({{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}}, {{3, 4, 5, 0, 1, 2}});
    expectTriangulationCovers(ell, 3.0);

    // A comb with deep notches, and a 200-gon circle.
    std::vector<testmesh::Point3> comb{{0, 0, 0}};
    for (int tooth = 0; tooth < 8; ++tooth) {
        comb.push_back({tooth + 0.0, 3, 0});
        comb.push_back({tooth + 0.5, 3, 0});
        comb.push_back({tooth + 0.5, 1, 0});
        comb.push_back({tooth + 1.0, 1, 0});
    }
    comb.push_back({8, 0, 0});
    std::vector<int> combPolygon;
    for (int i = static_cast<int>(comb.size()) - 1; i >= 0; --i)
        combPolygon.push_back(i); // counter-clockwise
    expectTriangulationCovers(testmesh::make(comb, {combPolygon}), 8.0 + 8 * 0.5 * 2.0);

    std::vector<testmesh::Point3> circle;
    std::vector<int> ring;
    for (int i = 0; i < 200; ++i) {
        circle.push_back({std::cos(i * 2 * M_PI / 200), std::sin(i * 2 * M_PI / 200), 0});
        ring.push_back(i);
    }
    expectTriangulationCovers(testmesh::make(circle, {ring}), 200 * 0.5 * std::sin(2 * M_PI / 200));
}

TEST(MeshTopology, DegeneratePolygonsStillGiveNMinusTwoTriangles) {
    // All corners on one line, and all corners on one point: no area, no crash.
    const MObject line = testmesh::make({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}}, {{0, 1, 2, 3, 4}});
    const MObject point = testmesh::make({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, {{0, 1, 2, 3}});
    for (const MObject& mesh : {line, point}) {
        MItMeshPolygon polygon(mesh);
        int count = 0;
        polygon.numTriangles(count);
        EXPECT_EQ(count, static_cast<int>(polygon.polygonVertexCount()) - 2);
        MVector normal;
        polygon.getNormal(normal);
        EXPECT_EQ(normal.length(), 0.0);
    }
}

TEST(MeshTopology, EdgesAreNumberedByFirstAppearanceWithTheirFaces) {
    // Three triangles on the edge 0-1 (a fin), plus a border.
    const MObject fin =
        testmesh::make({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}}, {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}});
    MFnMesh meshFn(fin);
    EXPECT_EQ(meshFn.numEdges(), 7);
    MItMeshEdge edge(fin);
    MIntArray faces;
    EXPECT_EQ(edge.index(0), 0);
    EXPECT_EQ(edge.index(1), 1);
    EXPECT_EQ(edge.getConnectedFaces(faces), 3);
    edge.next();
    EXPECT_EQ(edge.getConnectedFaces(faces), 1);
    EXPECT_TRUE(edge.onBoundary());

    MItMeshVertex vertex(fin);
    int previous = 0;
    vertex.setIndex(0, previous);
    int connected = 0;
    vertex.numConnectedEdges(connected);
    EXPECT_EQ(connected, 4);
    MIntArray edges;
    vertex.getConnectedEdges(edges);
    const std::set<int> unique(edges.items().begin(), edges.items().end());
    EXPECT_EQ(unique.size(), 4u);
}

TEST(MeshTopology, UVsArePerFaceVertexAndMayBeMissing) {
    const MObject mesh = testmesh::grid(2);
    testmesh::addUVs(mesh, false);
    MeshUVSet& set = mesh.as<MeshData>()->uvSets()[0];
    set.faceVertexUVs[0] = -1; // face 0 has no UV at vertex 0

    MItMeshPolygon polygon(mesh);
    int uv = 0;
    EXPECT_FALSE(polygon.getUVIndex(0, uv));
    EXPECT_TRUE(polygon.getUVIndex(1, uv));
    EXPECT_EQ(uv, 1);
    const MString unknown("nope");
    EXPECT_FALSE(polygon.getUVIndex(1, uv, &unknown));

    // The centre vertex (4) belongs to four faces, each with its own UV.
    MItMeshVertex vertex(mesh);
    int previous = 0;
    vertex.setIndex(4, previous);
    MFloatArray u, v;
    MIntArray faceIds, uvIds;
    ASSERT_TRUE(vertex.getUVs(u, v, faceIds));
    ASSERT_TRUE(vertex.getUVIndices(uvIds));
    EXPECT_EQ(faceIds.items(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(uvIds.length(), 4u);
    EXPECT_EQ(std::set<int>(uvIds.items().begin(), uvIds.items().end()).size(), 4u);
}

TEST(MeshTopology, OutOfRangeAndWrongObjectsFailWithoutCrashing) {
    const MObject mesh = testmesh::cube();
    int previous = 0;
    MItMeshPolygon polygon(mesh);
    EXPECT_FALSE(polygon.setIndex(6, previous));
    EXPECT_FALSE(polygon.setIndex(-1, previous));
    MItMeshEdge edge(mesh);
    EXPECT_FALSE(edge.setIndex(12, previous));
    MItMeshVertex vertex(mesh);
    EXPECT_FALSE(vertex.setIndex(8, previous));
    MPointArray points;
    MIntArray vertices;
    EXPECT_FALSE(polygon.getTriangle(2, points, vertices));

    MStatus status;
    MItMeshPolygon none(MObject(), &status);
    EXPECT_FALSE(status);
    EXPECT_TRUE(none.isDone());
    MFnMesh meshFn(MObject(), &status);
    EXPECT_FALSE(status);
    EXPECT_EQ(meshFn.currentUVSetName(&status), MString(""));
    EXPECT_FALSE(status);
}

TEST(MeshTopology, NewellNormalFollowsWinding) {
    const MVector up = newellNormal(std::vector<MPoint>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    EXPECT_NEAR(up.z, 1.0, 1e-12);
    const MVector down = newellNormal(std::vector<MPoint>{{0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}});
    EXPECT_NEAR(down.z, -1.0, 1e-12);
}
