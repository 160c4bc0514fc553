#pragma once

#include "hostapi/MeshData.h"

#include <initializer_list>
#include <vector>

// Small meshes built in code for tests.
namespace testmesh {

struct Point3 {
    double x, y, z;
};

// A mesh from points and polygons (vertex lists).
inline MObject make(const std::vector<Point3>& points, const std::vector<std::vector<int>>& polygons) {
    std::vector<MPoint> hostPoints;
    for (const Point3& p : points)
        hostPoints.emplace_back(p.x, p.y, p.z);
    std::vector<int> offsets{0}, vertices;
    for (const auto& polygon : polygons) {
        vertices.insert(vertices.end(), polygon.begin(), polygon.end());
        offsets.push_back(static_cast<int>(vertices.size()));
    }
    return MeshData::create("test", std::move(hostPoints), std::move(offsets), std::move(vertices));
}

// Gives the mesh the UV set "map1" with one UV per face-vertex, all distinct unless
// `shared` says that face-vertices of the same vertex share one UV.
inline void addUVs(const MObject& mesh, bool shared) {
    MeshData& data = *mesh.as<MeshData>();
    MeshUVSet& set = data.createUVSet("map1");
    for (int corner = 0; corner < data.numFaceVertices(); ++corner) {
        const int face = data.faceOfFaceVertex(corner);
        const int vertex = data.polygonVertices(face)[corner - data.faceVertexOffset(face)];
        set.faceVertexUVs[corner] = shared ? vertex : corner;
    }
    const int count = shared ? data.numVertices() : data.numFaceVertices();
    set.u.assign(count, 0.0f);
    set.v.assign(count, 0.0f);
}

// Axis-aligned unit cube with outward-facing quads.
inline MObject cube() {
    return make({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
                {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}});
}

// A flat grid of n x n quads in the z = 0 plane, facing +z.
inline MObject grid(int n) {
    std::vector<Point3> points;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
            points.push_back({double(i), double(j), 0.0});
    std::vector<std::vector<int>> quads;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const int a = j * (n + 1) + i;
            quads.push_back({a, a + 1, a + n + 2, a + n + 1});
        }
    return make(points, quads);
}

} // namespace testmesh
