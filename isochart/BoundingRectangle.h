#pragma once

#include <Eigen/Core>

#include <vector>

namespace Isochart {

// The smallest-area rectangle around a set of points: its sides turned by `angle` from the
// axes, `width` along the turned u axis and `height` across it.
struct BoundingRectangle {
    double angle = 0.0;
    double width = 0.0, height = 0.0;
};

// Convex hull by the monotone chain, counterclockwise; `points` is reordered.
void convexHull(std::vector<Eigen::Vector2d>& points, std::vector<Eigen::Vector2d>& hull);

// The smallest rectangle around a convex polygon: one of its sides lies on a side of the
// polygon (Freeman and Shapira 1975).
BoundingRectangle smallestRectangle(const std::vector<Eigen::Vector2d>& hull);

} // namespace Isochart
