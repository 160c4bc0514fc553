#include "isochart/SurfaceMesh.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace Isochart {

namespace {

// Height below this fraction of the longest edge makes a triangle degenerate: its flat
// image would lose its area when stored as floats.
constexpr double kMinRelativeHeight = 1e-5;

uint32_t findRoot(std::vector<uint32_t>& parent, uint32_t x) {
    while (parent[x] != x) {
        parent[x] = parent[parent[x]];
        x = parent[x];
    }
    return x;
}

int cornerOfEdge(const std::array<uint32_t, 3>& triangle, uint32_t from, uint32_t to) {
    for (int k = 0; k < 3; ++k)
        if (triangle[k] == from && triangle[(k + 1) % 3] == to) return k;
    return -1;
}

void linkTriangles(const MeshView& mesh, SurfaceMesh& surface) {
    const size_t count = surface.triangleCount();
    surface.links.assign(count, {kNil, kNil, kNil});
    for (uint32_t t = 0; t < count; ++t) {
        if (surface.degenerate[t]) continue;
        for (int k = 0; k < 3; ++k) {
            const uint32_t other = mesh.adjacency[3 * size_t(t) + k];
            if (other >= count || other == t || surface.degenerate[other]) continue;
            const auto& tri = surface.triangles[t];
            const int back = cornerOfEdge(surface.triangles[other], tri[(k + 1) % 3], tri[k]);
            if (back >= 0 && mesh.adjacency[3 * size_t(other) + back] == t) surface.links[t][k] = other;
        }
    }
}

void groupPolygons(const MeshView& mesh, SurfaceMesh& surface) {
    const size_t count = surface.triangleCount();
    std::vector<uint32_t> parent(count);
    std::iota(parent.begin(), parent.end(), 0u);
    if (mesh.falseEdges.size() == 3 * count) {
        for (uint32_t t = 0; t < count; ++t)
            for (int k = 0; k < 3; ++k) {
                const uint32_t other = mesh.falseEdges[3 * size_t(t) + k];
                if (other != kNil && other == surface.links[t][k])
                    parent[findRoot(parent, t)] = findRoot(parent, other);
            }
    }
    surface.polygonOf.resize(count);
    for (uint32_t t = 0; t < count; ++t)
        surface.polygonOf[t] = findRoot(parent, t);
}

// Moves every part (triangles joined through shared vertices) so that its bounding box is
// centred on the origin. All later geometry then works with numbers of the part's own size,
// and a part far from the origin is treated exactly as the same part near it.
void centreParts(SurfaceMesh& surface) {
    const size_t vertexCount = surface.positions.size();
    std::vector<uint32_t> parent(vertexCount);
    std::iota(parent.begin(), parent.end(), 0u);
    for (const auto& tri : surface.triangles)
        for (int k = 1; k < 3; ++k) {
            const uint32_t a = findRoot(parent, tri[0]), b = findRoot(parent, tri[k]);
            if (a != b) parent[std::max(a, b)] = std::min(a, b);
        }
    const double huge = std::numeric_limits<double>::infinity();
    std::vector<Eigen::Vector3d> low(vertexCount, Eigen::Vector3d::Constant(huge)),
        high(vertexCount, Eigen::Vector3d::Constant(-huge));
    std::vector<uint8_t> used(vertexCount, 0);
    for (const auto& tri : surface.triangles)
        for (uint32_t v : tri)
            used[v] = 1;
    for (uint32_t v = 0; v < vertexCount; ++v) {
        if (!used[v]) continue;
        const uint32_t root = findRoot(parent, v);
        low[root] = low[root].cwiseMin(surface.positions[v]);
        high[root] = high[root].cwiseMax(surface.positions[v]);
    }
    for (uint32_t v = 0; v < vertexCount; ++v) {
        if (!used[v]) continue;
        const uint32_t root = findRoot(parent, v);
        surface.positions[v] -= 0.5 * (low[root] + high[root]);
    }
}

} // namespace

bool isDegenerateTriangle(const Eigen::Vector3d& a, const Eigen::Vector3d& b, const Eigen::Vector3d& c) {
    const double longest = std::max({(b - a).squaredNorm(), (c - b).squaredNorm(), (a - c).squaredNorm()});
    const double doubleArea = (b - a).cross(c - a).norm();
    return !(longest > 0.0) || doubleArea <= kMinRelativeHeight * longest;
}

HRESULT buildSurfaceMesh(const MeshView& mesh, SurfaceMesh& surface) {
    if (mesh.positions.size() % 3 != 0 || mesh.indices.size() % 3 != 0 ||
        mesh.adjacency.size() != mesh.indices.size() ||
        (!mesh.falseEdges.empty() && mesh.falseEdges.size() != mesh.indices.size()))
        return E_FAIL;
    const size_t vertexCount = mesh.positions.size() / 3;
    surface.positions.resize(vertexCount);
    for (size_t v = 0; v < vertexCount; ++v) {
        surface.positions[v] =
            Eigen::Vector3d(mesh.positions[3 * v], mesh.positions[3 * v + 1], mesh.positions[3 * v + 2]);
        if (!surface.positions[v].allFinite()) return E_FAIL;
    }
    const size_t count = mesh.indices.size() / 3;
    surface.triangles.resize(count);
    for (size_t t = 0; t < count; ++t)
        for (int k = 0; k < 3; ++k) {
            surface.triangles[t][k] = mesh.indices[3 * t + k];
            if (surface.triangles[t][k] >= vertexCount) return E_FAIL;
        }
    centreParts(surface);
    surface.degenerate.resize(count);
    surface.area.resize(count);
    surface.normal.resize(count);
    for (size_t t = 0; t < count; ++t) {
        const auto& tri = surface.triangles[t];
        const Eigen::Vector3d a = surface.positions[tri[0]], b = surface.positions[tri[1]],
                              c = surface.positions[tri[2]];
        const Eigen::Vector3d cross = (b - a).cross(c - a);
        surface.area[t] = 0.5 * cross.norm();
        surface.normal[t] = surface.area[t] > 0.0 ? Eigen::Vector3d(cross.normalized()) : Eigen::Vector3d::Zero();
        const bool repeated = tri[0] == tri[1] || tri[1] == tri[2] || tri[2] == tri[0];
        surface.degenerate[t] = repeated || isDegenerateTriangle(a, b, c);
    }
    linkTriangles(mesh, surface);
    groupPolygons(mesh, surface);
    return S_OK;
}

} // namespace Isochart
