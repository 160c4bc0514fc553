#pragma once

#include "isochart/ChartMesh.h"

#include <cstdint>
#include <vector>

namespace Isochart {

// Moves the border between the two sides of a chart (side 0 where `value` >= 0, side 1
// elsewhere; one value per chart triangle) to the cheapest cut by a minimum graph cut
// (Boykov and Kolmogorov 2004). Only triangles with |value| < `band` may change side.
// Cutting an edge costs its length, less across sharp folds and near the middle of the
// band, so cuts run short, straight and along features; edges inside a polygon cannot be
// cut unless `cutPolygons`. Writes the side of every chart triangle.
void refineCut(const SurfaceMesh& surface, const ChartMesh& chart, const std::vector<double>& value, double band,
               bool cutPolygons, std::vector<uint8_t>& side);

} // namespace Isochart
