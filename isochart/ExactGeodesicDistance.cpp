#include "isochart/ExactGeodesicDistance.h"

#include "isochart/ChartFlattening.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>

namespace Isochart::GeodesicDist {

namespace {

constexpr double kInfinite = std::numeric_limits<double>::infinity();
constexpr uint32_t kVertexEvent = 0x80000000u;
// Windows allowed per vertex before the surface counts as too hard for exact propagation.
constexpr size_t kWindowBudget = 40;
constexpr double kEndMargin = 1e-9;
// Windows are not pruned, so their number grows with the square of the chart's size: charts
// beyond this many vertices take fast marching at once.
constexpr size_t kLargestExactChart = 2500;

double cross(const Eigen::Vector2d& a, const Eigen::Vector2d& b) {
    return a.x() * b.y() - a.y() * b.x();
}

// Frame of the edge from p to q, unfolding `point`, which lies on the side away from the
// triangle the frame looks into: x along the edge, y <= 0.
Eigen::Vector2d unfoldBehind(const Eigen::Vector3d& p, const Eigen::Vector3d& q, const Eigen::Vector3d& point) {
    const Eigen::Vector3d axis = (q - p).normalized();
    const double x = (point - p).dot(axis);
    return {x, -((point - p) - x * axis).norm()};
}

// Where the line from `source` through (x, 0) meets the segment from p to q, as a fraction of it.
double rayHit(const Eigen::Vector2d& source, double x, const Eigen::Vector2d& p, const Eigen::Vector2d& q) {
    const Eigen::Vector2d direction(x - source.x(), -source.y());
    const double denominator = cross(q - p, direction);
    if (denominator == 0.0) return 0.0;
    return std::clamp(-cross(p - source, direction) / denominator, 0.0, 1.0);
}

} // namespace

CExactOneToAll::CExactOneToAll(const SurfaceMesh& surface, const ChartMesh& chart)
    : chart_(chart), position_(chartPositions(surface, chart)), around_(vertexCorners(chart)),
      fallback_(surface, chart) {
    const size_t vertexCount = chart.vertexCount();
    std::vector<double> angle(vertexCount, 0.0);
    for (uint32_t t = 0; t < chart.triangleCount(); ++t) {
        Eigen::Vector2d z[3];
        flatCorners(surface, chart.triangles[t], z);
        for (int k = 0; k < 3; ++k) {
            const Eigen::Vector2d a = z[(k + 1) % 3] - z[k], b = z[(k + 2) % 3] - z[k];
            angle[chart.corners[t][k]] += std::atan2(std::abs(cross(a, b)), a.dot(b));
        }
    }
    passThrough_.resize(vertexCount);
    for (uint32_t v = 0; v < vertexCount; ++v)
        passThrough_[v] = chart.onBorder[v] || angle[v] > 2.0 * std::numbers::pi + 1e-9;
}

int CExactOneToAll::cornerFrom(uint32_t triangle, uint32_t from, uint32_t to) const {
    for (int k = 0; k < 3; ++k)
        if (chart_.corners[triangle][k] == from && chart_.corners[triangle][(k + 1) % 3] == to) return k;
    return -1;
}

void CExactOneToAll::improve(uint32_t vertex, double candidate, std::vector<double>& distance) {
    if (!(candidate < distance[vertex] * (1.0 - 1e-12))) return;
    distance[vertex] = candidate;
    if (passThrough_[vertex]) {
        queue_.emplace_back(candidate, kVertexEvent | vertex);
        std::push_heap(queue_.begin(), queue_.end(), std::greater<>());
    }
}

void CExactOneToAll::push(const Window& window) {
    const uint32_t t = window.triangle;
    const int k = window.corner;
    const double length = (position_[chart_.corners[t][(k + 1) % 3]] - position_[chart_.corners[t][k]]).norm();
    if (!(window.end - window.begin > 1e-12 * length)) return;
    const Eigen::Vector2d begin(window.begin, 0.0), end(window.end, 0.0);
    const double toBegin = window.sourceDistance + (window.source - begin).norm();
    const double toEnd = window.sourceDistance + (window.source - end).norm();
    const double nearest = window.source.x() < window.begin ? toBegin
                           : window.source.x() > window.end ? toEnd
                                                            : window.sourceDistance - window.source.y();
    windows_.push_back(window);
    queue_.emplace_back(nearest, uint32_t(windows_.size() - 1));
    std::push_heap(queue_.begin(), queue_.end(), std::greater<>());
}

void CExactOneToAll::emitFromVertex(uint32_t vertex, std::vector<double>& distance) {
    const double here = distance[vertex];
    for (uint32_t i = around_.start[vertex]; i < around_.start[vertex + 1]; ++i) {
        const uint32_t t = around_.corners[i] / 3, k = around_.corners[i] % 3;
        const uint32_t b = chart_.corners[t][(k + 1) % 3], c = chart_.corners[t][(k + 2) % 3];
        improve(b, here + (position_[b] - position_[vertex]).norm(), distance);
        improve(c, here + (position_[c] - position_[vertex]).norm(), distance);
        const uint32_t across = chart_.links[t][(k + 1) % 3];
        if (across == kNil) continue;
        const int corner = cornerFrom(across, c, b);
        if (corner < 0) continue;
        const double length = (position_[b] - position_[c]).norm();
        push({across, corner, 0.0, length, unfoldBehind(position_[c], position_[b], position_[vertex]), here});
    }
}

void CExactOneToAll::propagate(const Window& window, std::vector<double>& distance) {
    const uint32_t t = window.triangle;
    const int k = window.corner;
    const uint32_t a = chart_.corners[t][k], c = chart_.corners[t][(k + 1) % 3], v = chart_.corners[t][(k + 2) % 3];
    const double length = (position_[c] - position_[a]).norm();
    const Eigen::Vector3d axis = (position_[c] - position_[a]) / length;
    const double vx = (position_[v] - position_[a]).dot(axis);
    const Eigen::Vector2d pa(0.0, 0.0), pc(length, 0.0), pv(vx, ((position_[v] - position_[a]) - vx * axis).norm());
    Eigen::Vector2d source = window.source;
    source.y() = std::min(source.y(), -1e-12 * length);
    const double sigma = window.sourceDistance;

    // Lines through vertices land on window ends up to rounding: ends count with a margin.
    const double margin = kEndMargin * length;
    if (window.begin <= margin) improve(a, sigma + (source - pa).norm(), distance);
    if (window.end >= length - margin) improve(c, sigma + (source - pc).norm(), distance);
    // Where the line from the source through v crosses the edge.
    const double through = source.x() + (pv.x() - source.x()) * (-source.y()) / (pv.y() - source.y());
    if (through >= window.begin - margin && through <= window.end + margin)
        improve(v, sigma + (pv - source).norm(), distance);

    auto child = [&](uint32_t from, uint32_t to, const Eigen::Vector2d& p, const Eigen::Vector2d& q, double low,
                     double high, int edgeCorner) {
        const uint32_t across = chart_.links[t][edgeCorner];
        if (across == kNil) return;
        const int corner = cornerFrom(across, from, to);
        if (corner < 0) return;
        const double edge = (q - p).norm();
        const double begin = rayHit(source, low, p, q) * edge, end = rayHit(source, high, p, q) * edge;
        const Eigen::Vector2d axis2 = (q - p) / edge;
        const Eigen::Vector2d relative = source - p;
        // The source stays on this triangle's side of the edge: behind the neighbour's frame.
        const Eigen::Vector2d unfolded(relative.dot(axis2), -std::abs(cross(axis2, relative)));
        push({across, corner, std::min(begin, end), std::max(begin, end), unfolded, sigma});
    };
    if (window.begin < through) child(a, v, pa, pv, window.begin, std::min(window.end, through), (k + 2) % 3);
    if (window.end > through) child(v, c, pv, pc, std::max(window.begin, through), window.end, (k + 1) % 3);
}

void CExactOneToAll::compute(uint32_t source, std::vector<double>& distance) {
    distance.assign(chart_.vertexCount(), kInfinite);
    windows_.clear();
    queue_.clear();
    distance[source] = 0.0;
    emitFromVertex(source, distance);
    if (chart_.vertexCount() > kLargestExactChart) {
        fallback_.compute(source, distance);
        return;
    }
    const size_t budget = kWindowBudget * (chart_.vertexCount() + 1);
    size_t processed = 0;
    while (!queue_.empty()) {
        std::pop_heap(queue_.begin(), queue_.end(), std::greater<>());
        const auto [key, item] = queue_.back();
        queue_.pop_back();
        if (item & kVertexEvent) {
            const uint32_t vertex = item & ~kVertexEvent;
            if (key <= distance[vertex]) emitFromVertex(vertex, distance);
            continue;
        }
        if (++processed > budget) {
            fallback_.compute(source, distance);
            return;
        }
        const Window window = windows_[item];
        propagate(window, distance);
    }
}

} // namespace Isochart::GeodesicDist
