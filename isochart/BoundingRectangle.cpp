#include "isochart/BoundingRectangle.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Isochart {

namespace {

double cross(const Eigen::Vector2d& origin, const Eigen::Vector2d& a, const Eigen::Vector2d& b) {
    return (a.x() - origin.x()) * (b.y() - origin.y()) - (a.y() - origin.y()) * (b.x() - origin.x());
}

} // namespace

void convexHull(std::vector<Eigen::Vector2d>& points, std::vector<Eigen::Vector2d>& hull) {
    std::sort(points.begin(), points.end(), [](const Eigen::Vector2d& a, const Eigen::Vector2d& b) {
        return a.x() < b.x() || (a.x() == b.x() && a.y() < b.y());
    });
    hull.assign(2 * points.size(), Eigen::Vector2d::Zero());
    size_t size = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        while (size >= 2 && cross(hull[size - 2], hull[size - 1], points[i]) <= 0)
            --size;
        hull[size++] = points[i];
    }
    for (size_t i = points.size() - 1, lower = size + 1; i-- > 0;) {
        while (size >= lower && cross(hull[size - 2], hull[size - 1], points[i]) <= 0)
            --size;
        hull[size++] = points[i];
    }
    hull.resize(size > 1 ? size - 1 : size);
}

BoundingRectangle smallestRectangle(const std::vector<Eigen::Vector2d>& hull) {
    BoundingRectangle best;
    double bestArea = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < hull.size(); ++i) {
        const Eigen::Vector2d& a = hull[i];
        const Eigen::Vector2d edge = hull[(i + 1) % hull.size()] - a;
        const double length = edge.norm();
        if (!(length > 0.0)) continue;
        const Eigen::Vector2d along = edge / length, across(-along.y(), along.x());
        double minAlong = 0, maxAlong = 0, minAcross = 0, maxAcross = 0;
        for (const Eigen::Vector2d& p : hull) {
            const double s = (p - a).dot(along), t = (p - a).dot(across);
            minAlong = std::min(minAlong, s);
            maxAlong = std::max(maxAlong, s);
            minAcross = std::min(minAcross, t);
            maxAcross = std::max(maxAcross, t);
        }
        const double area = (maxAlong - minAlong) * (maxAcross - minAcross);
        if (area < bestArea) {
            bestArea = area;
            best = {std::atan2(along.y(), along.x()), maxAlong - minAlong, maxAcross - minAcross};
        }
    }
    return best;
}

} // namespace Isochart
