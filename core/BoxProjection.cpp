#include "BoxProjection.h"

#include "core/AxisPlanes.h"

#include <bit>
#include <cmath>
#include <unordered_map>

namespace {

struct Vector3 {
    float x, y, z;
};

const float* cornerPoint(const UnwrapMesh& source, uint32_t triangle, int k) {
    return &source.positions[3 * size_t{source.indices[3 * size_t{triangle} + k]}];
}

// (P0 - P1) x (P0 - P2): the face normal, as long as twice the area.
Vector3 faceNormal(const UnwrapMesh& source, uint32_t triangle) {
    const float* p0 = cornerPoint(source, triangle, 0);
    const float* p1 = cornerPoint(source, triangle, 1);
    const float* p2 = cornerPoint(source, triangle, 2);
    const float a[3] = {p0[0] - p1[0], p0[1] - p1[1], p0[2] - p1[2]};
    const float b[3] = {p0[0] - p2[0], p0[1] - p2[1], p0[2] - p2[2]};
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// The axis of every triangle: each polygon, walked over its false edges, takes the axis with
// the greatest summed area of its triangles.
std::vector<uint32_t> polygonAxes(const UnwrapMesh& source, const std::vector<uint32_t>& falseEdges) {
    const uint32_t triangleCount = static_cast<uint32_t>(source.triangleCount());
    std::vector<uint32_t> axes(triangleCount, NIL);
    std::vector<char> visited(triangleCount, 0);
    std::vector<uint32_t> stack, walk;
    for (uint32_t first = 0; first < triangleCount; ++first) {
        if (visited[first]) continue;
        double area[6] = {0, 0, 0, 0, 0, 0};
        walk.clear();
        stack.assign(1, first);
        while (!stack.empty()) {
            const uint32_t triangle = stack.back();
            stack.pop_back();
            if (visited[triangle]) continue;
            visited[triangle] = 1;
            walk.push_back(triangle);
            const Vector3 n = faceNormal(source, triangle);
            if (n.x != 0.0f || n.y != 0.0f || n.z != 0.0f)
                area[dominantAxis(n.x, n.y, n.z)] += 0.5f * std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
            for (int k = 0; k < 3; ++k) {
                const uint32_t other = falseEdges.empty() ? NIL : falseEdges[3 * size_t{triangle} + k];
                if (other != NIL && !visited[other]) stack.push_back(other);
            }
        }
        uint32_t winner = 0;
        for (uint32_t axis = 1; axis < 6; ++axis)
            if (area[axis] > area[winner]) winner = axis;
        for (const uint32_t triangle : walk)
            axes[triangle] = winner;
    }
    return axes;
}

// Every distinct (u, v, w), compared exactly, becomes one UV, numbered in order of first appearance.
void weldEqualUVs(UnwrapMesh& mesh) {
    struct Key {
        uint32_t u, v, w;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& key) const {
            return (size_t{key.u} * 0x9E3779B97F4A7C15ull) ^ (size_t{key.v} * 0xC2B2AE3D27D4EB4Full) ^ key.w;
        }
    };
    // Adding 0 turns -0 into +0, so that the bit patterns compare as the values do.
    const auto bits = [](float value) { return std::bit_cast<uint32_t>(value + 0.0f); };
    std::unordered_map<Key, uint32_t, KeyHash> numbers;
    numbers.reserve(mesh.uvCount());
    std::vector<uint32_t> number(mesh.uvCount());
    std::vector<float> welded;
    for (size_t uv = 0; uv < mesh.uvCount(); ++uv) {
        const float* value = &mesh.uvs[3 * uv];
        const auto [entry, added] = numbers.try_emplace(Key{bits(value[0]), bits(value[1]), bits(value[2])},
                                                        static_cast<uint32_t>(welded.size() / 3));
        if (added) welded.insert(welded.end(), value, value + 3);
        number[uv] = entry->second;
    }
    for (uint32_t& index : mesh.uv_indices)
        index = number[index];
    mesh.uvs = std::move(welded);
}

} // namespace

void projectToBoxes(const UnwrapMesh& source, UnwrapMesh& result, std::vector<uint32_t>& adjacency,
                    std::vector<uint32_t>& falseEdges) {
    const std::vector<uint32_t> axes = polygonAxes(source, falseEdges);
    UnwrapMesh projected(source.positions, source.indices);
    projected.uvs.resize(3 * source.indices.size());
    projected.uv_indices.resize(source.indices.size());
    for (size_t corner = 0; corner < source.indices.size(); ++corner) {
        const float* p = &source.positions[3 * size_t{source.indices[corner]}];
        const AxisPlane& plane = axisPlanes[axes[corner / 3]];
        projected.uvs[3 * corner] = plane.uSign * p[plane.u];
        projected.uvs[3 * corner + 1] = plane.vSign * p[plane.v];
        projected.uvs[3 * corner + 2] = p[2];
        projected.uv_indices[corner] = static_cast<uint32_t>(corner);
    }
    for (size_t corner = 0; corner < adjacency.size(); ++corner) {
        const uint32_t other = adjacency[corner];
        if (other == NIL || axes[other] == axes[corner / 3]) continue;
        adjacency[corner] = NIL;
        if (!falseEdges.empty()) falseEdges[corner] = NIL;
    }
    result = std::move(projected);
}

void boxProjection(UVAtlasProxy& proxy, const UnwrapMesh& source, UnwrapMesh& result, const UVAtlasProgress& progress,
                   std::vector<uint32_t>& adjacency, std::vector<uint32_t>& falseEdges) {
    projectToBoxes(source, result, adjacency, falseEdges);
    proxy.packCharts(result, adjacency, progress);
    weldEqualUVs(result);
}
