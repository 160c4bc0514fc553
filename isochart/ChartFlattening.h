#pragma once

#include "isochart/ChartMesh.h"

#include <Eigen/Core>

#include <limits>
#include <vector>

namespace Isochart {

// The flat image of a disk chart with the least L2 stretch found. A chart whose every vertex
// lies on its border (a single polygon, a strip) is unfolded exactly, triangle by triangle,
// when that image does not overlap itself. Otherwise a least squares conformal
// map (Levy et al. 2002), or on large charts Tutte's embedding, improved by
// as-rigid-as-possible steps (Liu et al. 2008) with one factorisation. A step that flips a
// triangle is never taken, so the result has no flipped triangle whenever the start or any
// later step has none. With `start` (an image per chart vertex, say of two charts being
// merged) the steps begin there and the fresh start is only the fallback. Steps end early,
// or are skipped on a large chart, once sigma^2 is clearly above `hopelessStretch`. Returns
// sigma^2 of `uv` (infinite when no flip-free image was found).
double flattenChart(const SurfaceMesh& surface, const ChartMesh& chart, std::vector<Eigen::Vector2d>& uv,
                    const std::vector<Eigen::Vector2d>* start = nullptr,
                    double hopelessStretch = std::numeric_limits<double>::infinity());

// The flat corners of an input triangle in its own plane: the first at the origin, the
// second on the positive u axis, the third above it.
void flatCorners(const SurfaceMesh& surface, uint32_t triangle, Eigen::Vector2d corners[3]);

} // namespace Isochart
