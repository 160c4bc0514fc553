#include "isochart/GeodesicDistance.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace Isochart::GeodesicDist {

namespace {

constexpr double kInfinite = std::numeric_limits<double>::infinity();

} // namespace

double frontDistance(double ab, double ac, double bc, double da, double db) {
    // Unfold into the plane: a at the origin, b on the x axis, c above it; the front's virtual
    // source s lies below the axis at distances da and db from a and b.
    if (!(ab > 0.0)) return kInfinite;
    const double cx = (ac * ac - bc * bc + ab * ab) / (2.0 * ab);
    const double cy = std::sqrt(std::max(ac * ac - cx * cx, 0.0));
    const double sx = (da * da - db * db + ab * ab) / (2.0 * ab);
    const double sy2 = da * da - sx * sx;
    if (sy2 < 0.0 || !(cy > 0.0)) return kInfinite;
    const double sy = -std::sqrt(sy2);
    const double crossing = sx + (cx - sx) * (-sy / (cy - sy));
    if (crossing < 0.0 || crossing > ab) return kInfinite;
    return std::hypot(cx - sx, cy - sy);
}

double frontDistance(const Eigen::Vector3d& a, double da, const Eigen::Vector3d& b, double db,
                     const Eigen::Vector3d& c) {
    return frontDistance((b - a).norm(), (c - a).norm(), (c - b).norm(), da, db);
}

CApproximateOneToAll::CApproximateOneToAll(const SurfaceMesh& surface, const ChartMesh& chart)
    : chart_(chart), edgeLength_(chart.triangleCount()), around_(vertexCorners(chart)) {
    for (uint32_t t = 0; t < chart.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k) {
            const Eigen::Vector3d& from = surface.positions[chart.vertexSource[chart.corners[t][k]]];
            const Eigen::Vector3d& to = surface.positions[chart.vertexSource[chart.corners[t][(k + 1) % 3]]];
            edgeLength_[t][k] = (to - from).norm();
        }
}

void CApproximateOneToAll::offer(uint32_t vertex, double candidate, std::vector<double>& distance) {
    if (settled_[vertex] || !(candidate < distance[vertex])) return;
    distance[vertex] = candidate;
    heap_.push_back({candidate, vertex});
    std::push_heap(heap_.begin(), heap_.end(), std::greater<>());
}

void CApproximateOneToAll::settle(uint32_t vertex, std::vector<double>& distance) {
    settled_[vertex] = 1;
    const double here = distance[vertex];
    for (uint32_t i = around_.start[vertex]; i < around_.start[vertex + 1]; ++i) {
        const uint32_t t = around_.corners[i] / 3, k = around_.corners[i] % 3;
        const uint32_t b = chart_.corners[t][(k + 1) % 3], c = chart_.corners[t][(k + 2) % 3];
        // The edges from this vertex to b and to c, and the edge b-c across from it.
        const double toB = edgeLength_[t][k], toC = edgeLength_[t][(k + 2) % 3], across = edgeLength_[t][(k + 1) % 3];
        if (!settled_[b]) {
            double candidate = here + toB;
            if (settled_[c]) candidate = std::min(candidate, frontDistance(toC, toB, across, here, distance[c]));
            offer(b, candidate, distance);
        }
        if (!settled_[c]) {
            double candidate = here + toC;
            if (settled_[b]) candidate = std::min(candidate, frontDistance(toB, toC, across, here, distance[b]));
            offer(c, candidate, distance);
        }
    }
}

void CApproximateOneToAll::compute(uint32_t source, std::vector<double>& distance) {
    distance.assign(chart_.vertexCount(), kInfinite);
    settled_.assign(chart_.vertexCount(), 0);
    heap_.clear();
    offer(source, 0.0, distance);
    while (!heap_.empty()) {
        std::pop_heap(heap_.begin(), heap_.end(), std::greater<>());
        const auto [d, vertex] = heap_.back();
        heap_.pop_back();
        if (settled_[vertex] || d > distance[vertex]) continue;
        settle(vertex, distance);
    }
}

} // namespace Isochart::GeodesicDist
