#include "isochart/GeodesicDistance.h"

#include <algorithm>
#include <cmath>
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
    : vertexCount_(chart.vertexCount()) {
    std::vector<std::array<double, 3>> edgeLength(chart.triangleCount());
    for (uint32_t t = 0; t < chart.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k) {
            const Eigen::Vector3d& from = surface.positions[chart.vertexSource[chart.corners[t][k]]];
            const Eigen::Vector3d& to = surface.positions[chart.vertexSource[chart.corners[t][(k + 1) % 3]]];
            edgeLength[t][k] = (to - from).norm();
        }
    const VertexCorners around = vertexCorners(chart);
    fanStart_ = around.start;
    fans_.resize(around.corners.size());
    for (size_t i = 0; i < around.corners.size(); ++i) {
        const uint32_t t = around.corners[i] / 3, k = around.corners[i] % 3;
        // Edge k runs from this corner to b, edge k + 1 from b to c, edge k + 2 from c back.
        fans_[i] = {chart.corners[t][(k + 1) % 3], chart.corners[t][(k + 2) % 3], edgeLength[t][k],
                    edgeLength[t][(k + 2) % 3], edgeLength[t][(k + 1) % 3]};
    }
}

void CApproximateOneToAll::place(size_t slot, const Queued& entry) {
    heap_[slot] = entry;
    slotOf_[entry.vertex] = uint32_t(slot);
}

void CApproximateOneToAll::siftUp(size_t slot) {
    const Queued entry = heap_[slot];
    while (slot > 0) {
        const size_t parent = (slot - 1) / 2;
        if (!entry.before(heap_[parent])) break;
        place(slot, heap_[parent]);
        slot = parent;
    }
    place(slot, entry);
}

void CApproximateOneToAll::siftDown(size_t slot) {
    const Queued entry = heap_[slot];
    const size_t size = heap_.size();
    while (true) {
        size_t child = 2 * slot + 1;
        if (child >= size) break;
        if (child + 1 < size && heap_[child + 1].before(heap_[child])) ++child;
        if (!heap_[child].before(entry)) break;
        place(slot, heap_[child]);
        slot = child;
    }
    place(slot, entry);
}

void CApproximateOneToAll::offer(uint32_t vertex, double candidate, std::vector<double>& distance) {
    if (settled_[vertex] || !(candidate < distance[vertex])) return;
    distance[vertex] = candidate;
    if (slotOf_[vertex] == kNotQueued) {
        heap_.push_back({candidate, vertex});
        slotOf_[vertex] = uint32_t(heap_.size() - 1);
    } else {
        heap_[slotOf_[vertex]].distance = candidate;
    }
    siftUp(slotOf_[vertex]);
}

void CApproximateOneToAll::settle(uint32_t vertex, std::vector<double>& distance) {
    settled_[vertex] = 1;
    const double here = distance[vertex];
    for (uint32_t i = fanStart_[vertex]; i < fanStart_[vertex + 1]; ++i) {
        const Fan& fan = fans_[i];
        if (!settled_[fan.b]) {
            double candidate = here + fan.toB;
            if (settled_[fan.c])
                candidate = std::min(candidate, frontDistance(fan.toC, fan.toB, fan.across, here, distance[fan.c]));
            offer(fan.b, candidate, distance);
        }
        if (!settled_[fan.c]) {
            double candidate = here + fan.toC;
            if (settled_[fan.b])
                candidate = std::min(candidate, frontDistance(fan.toB, fan.toC, fan.across, here, distance[fan.b]));
            offer(fan.c, candidate, distance);
        }
    }
}

void CApproximateOneToAll::compute(uint32_t source, std::vector<double>& distance) {
    distance.assign(vertexCount_, kInfinite);
    settled_.assign(vertexCount_, 0);
    slotOf_.assign(vertexCount_, kNotQueued);
    heap_.clear();
    offer(source, 0.0, distance);
    while (!heap_.empty()) {
        const uint32_t vertex = heap_.front().vertex;
        slotOf_[vertex] = kNotQueued;
        const Queued last = heap_.back();
        heap_.pop_back();
        if (!heap_.empty()) {
            heap_.front() = last;
            siftDown(0);
        }
        settle(vertex, distance);
    }
}

} // namespace Isochart::GeodesicDist
