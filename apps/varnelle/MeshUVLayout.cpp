#include "MeshUVLayout.h"

#include "hostapi/MeshData.h"

#include <algorithm>

namespace {

bool polygonMapped(const MeshData& data, const MeshUVSet& set, int face) {
    const int first = data.faceVertexOffset(face), count = int(data.polygonVertices(face).size());
    for (int corner = first; corner < first + count; ++corner)
        if (set.faceVertexUVs[corner] < 0) return false;
    return true;
}

// True when face-vertices a and b follow each other around their polygon: a polygon edge,
// not a diagonal.
bool alongPolygon(int a, int b, int first, int count) {
    const int step = ((b - first) - (a - first) + count) % count;
    return step == 1 || step == count - 1;
}

// The polygon's other triangle with the face-vertices a and b (the two sides of a diagonal).
uint32_t triangleAcross(const MeshData& data, int face, int triangle, int a, int b, uint32_t firstTriangle) {
    for (int other = 0; other < data.polygonTriangleCount(face); ++other) {
        const int* corners = data.triangleFaceVertices(face, other);
        const auto has = [&](int corner) { return std::find(corners, corners + 3, corner) != corners + 3; };
        if (other != triangle && has(a) && has(b)) return firstTriangle + uint32_t(other);
    }
    return realMeshEdge;
}

// Appends the polygon's triangles; `firstTriangle` is the number of the first one.
void addPolygon(const MeshData& data, const MeshUVSet& set, int face, uint32_t pointBase, uint32_t firstTriangle,
                std::vector<uint32_t>& indices, std::vector<uint32_t>& falseEdges) {
    const int first = data.faceVertexOffset(face), count = int(data.polygonVertices(face).size());
    const int triangles = data.polygonTriangleCount(face);
    for (int t = 0; t < triangles; ++t) {
        const int* corners = data.triangleFaceVertices(face, t);
        for (int k = 0; k < 3; ++k) {
            const int a = corners[k], b = corners[(k + 1) % 3];
            indices.push_back(pointBase + uint32_t(set.faceVertexUVs[a]));
            falseEdges.push_back(alongPolygon(a, b, first, count) ? realMeshEdge
                                                                  : triangleAcross(data, face, t, a, b, firstTriangle));
        }
    }
}

} // namespace

size_t readUVLayout(const std::vector<MObject>& meshes, PreviewRender& render) {
    std::vector<float> points;
    std::vector<uint32_t> indices, falseEdges;
    size_t polygons = 0;
    for (const MObject& mesh : meshes) {
        const MeshData& data = *mesh.as<MeshData>();
        if (data.currentUVSet() < 0) continue;
        const MeshUVSet& set = data.uvSets()[data.currentUVSet()];
        const uint32_t pointBase = uint32_t(points.size() / 3);
        for (size_t uv = 0; uv < set.u.size(); ++uv)
            points.insert(points.end(), {set.u[uv], set.v[uv], 0.0f});
        for (int face = 0; face < data.numPolygons(); ++face) {
            if (!polygonMapped(data, set, face)) continue;
            addPolygon(data, set, face, pointBase, uint32_t(indices.size() / 3), indices, falseEdges);
            ++polygons;
        }
    }
    render.setData(indices, points, falseEdges);
    return polygons;
}
