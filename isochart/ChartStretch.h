#pragma once

#include "isochart/ChartMesh.h"

#include <Eigen/Core>

#include <vector>

namespace Isochart {

// L2 texture stretch (Sander et al. 2001) of a flattened chart at its best uniform scale,
// squared: 1 for a flattening without distortion, larger otherwise. Infinite when a
// triangle is flipped or has no flat area. Triangles without surface area weigh nothing.
double chartStretchSquared(const SurfaceMesh& surface, const ChartMesh& chart, const std::vector<Eigen::Vector2d>& uv);

// The stretch figure the limit is stated in: 1 - 1/sigma^2, from 0 (none) towards 1. The
// layout is stored in single precision, so a sigma^2 that rounds to 1 as a float is no stretch.
inline double stretchFigure(double stretchSquared) {
    return float(stretchSquared) <= 1.0f ? 0.0 : 1.0 - 1.0 / stretchSquared;
}

// Whether sigma^2 meets the limit s, with no slack: the figure reported for the chart never
// exceeds s. A limit of 1 takes any chart without flips.
inline bool meetsStretchLimit(double stretchSquared, double maxStretch) {
    if (maxStretch >= 1.0) return stretchSquared < 1e300;
    return stretchFigure(stretchSquared) <= maxStretch;
}

// Twice the signed area of the flat triangle.
inline double doubleSignedArea(const Eigen::Vector2d& a, const Eigen::Vector2d& b, const Eigen::Vector2d& c) {
    return (b.x() - a.x()) * (c.y() - a.y()) - (b.y() - a.y()) * (c.x() - a.x());
}

} // namespace Isochart
