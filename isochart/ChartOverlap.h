#pragma once

#include "isochart/ChartMesh.h"

#include <Eigen/Core>

#include <vector>

namespace Isochart {

// Whether two triangles of the flattened chart cover a common area. Triangles that only
// touch along an edge or at a point do not overlap. Expects every triangle counterclockwise.
bool hasSelfOverlap(const ChartMesh& chart, const std::vector<Eigen::Vector2d>& uv);

} // namespace Isochart
