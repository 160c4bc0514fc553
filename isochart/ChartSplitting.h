#pragma once

#include "isochart/ChartMesh.h"

#include <cstdint>
#include <vector>

namespace Isochart {

// Splits a chart into two or more connected parts whose borders never run through a
// polygon: across the middle of its longest extent (the landmark embedding's first
// coordinate), the border then moved to the cheapest nearby cut. Returns fewer than two
// parts when the chart is a single polygon.
std::vector<std::vector<uint32_t>> splitChart(const SurfaceMesh& surface, const ChartMesh& chart,
                                              GeodesicMethod geodesics, ChartScratch& scratch);

} // namespace Isochart
