#pragma once

#include "isochart/ChartMesh.h"

#include <cstddef>
#include <vector>

namespace Isochart {

// The first coordinate of a chart's landmark MDS embedding (de Silva and Tenenbaum 2004):
// geodesic distances from landmarks picked farthest point first, classical MDS of the
// landmarks with Eigen's dense eigen-solver, then every vertex placed from its distances to
// the landmarks. The coordinate runs along the chart's longest extent, so its zero level
// cuts the chart across the middle. Returns false when the chart gives no such axis.
bool principalCoordinate(const SurfaceMesh& surface, const ChartMesh& chart, GeodesicMethod method,
                         size_t landmarkCount, std::vector<double>& coordinate);

} // namespace Isochart
