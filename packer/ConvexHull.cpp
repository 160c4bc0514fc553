#include "ConvexHull.h"

#include "Geometry.h"

#include <algorithm>

namespace OmbrixVectorPacker {

void convexHull(std::span<const Point2> points, std::vector<Point2>& hull) {
    std::vector<Point2> sorted;
    sorted.reserve(points.size());
    for (const Point2 p : points)
        if (isFinite(p)) sorted.push_back(p);
    std::sort(sorted.begin(), sorted.end(), [](Point2 a, Point2 b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    hull.clear();
    if (sorted.empty()) return;
    if (sorted.size() == 1) {
        hull = {sorted[0], sorted[0]};
        return;
    }
    auto turnsLeft = [&hull](Point2 p) {
        const size_t n = hull.size();
        return cross(hull[n - 1] - hull[n - 2], p - hull[n - 2]) > 0.0;
    };
    for (const Point2 p : sorted) {
        while (hull.size() >= 2 && !turnsLeft(p))
            hull.pop_back();
        hull.push_back(p);
    }
    const size_t lowerSize = hull.size();
    for (size_t i = sorted.size() - 1; i-- > 0;) {
        while (hull.size() > lowerSize && !turnsLeft(sorted[i]))
            hull.pop_back();
        hull.push_back(sorted[i]);
    }
}

double minimumWidthAngle(std::span<const Point2> hull) {
    if (hull.size() < 3) return 0.0;
    const size_t count = hull.size() - 1;
    size_t support[2] = {0, 0};
    for (size_t i = 1; i < count; ++i) {
        if (hull[i].y < hull[support[0]].y) support[0] = i;
        if (hull[i].y > hull[support[1]].y) support[1] = i;
    }
    Point2 direction[2] = {{1.0, 0.0}, {-1.0, 0.0}};
    double bestWidth = hull[support[1]].y - hull[support[0]].y;
    double bestAngle = 0.0;
    double accumulated = 0.0;
    // Each step advances one support point, so two laps of the hull cover a half turn.
    for (size_t step = 0; step < 4 * count + 8 && accumulated < std::numbers::pi; ++step) {
        double angle[2];
        for (int s = 0; s < 2; ++s) {
            const Point2 edge = hull[(support[s] + 1) % count] - hull[support[s]];
            const double edgeLength = length(edge);
            angle[s] = edgeLength > 0.0 ? std::acos(std::clamp(dot(direction[s], edge) / edgeLength, -1.0, 1.0)) : 0.0;
        }
        const int turning = angle[0] < angle[1] ? 0 : 1;
        const double turn = angle[turning];
        const double c = std::cos(turn), s = std::sin(turn);
        for (Point2& d : direction)
            d = {d.x * c - d.y * s, d.x * s + d.y * c};
        accumulated += turn;
        // The caliper's width: distance from the other support point to the line through
        // the turning support point along its new direction.
        const Point2 other = hull[support[1 - turning]];
        const double width = std::abs(cross(direction[turning], other - hull[support[turning]]));
        support[turning] = (support[turning] + 1) % count;
        if (width < bestWidth) {
            bestWidth = width;
            bestAngle = accumulated;
        }
    }
    return bestAngle;
}

} // namespace OmbrixVectorPacker
