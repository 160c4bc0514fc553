#pragma once

#include "isochart/ChartMesh.h"

#include <cstdint>
#include <vector>

namespace Isochart {

// How a split treats the polygons of the mesh.
enum class PolygonCuts { Never, AlongTriangulation };

// Splits a chart into two or more connected parts across the middle of its longest extent
// (the landmark embedding's first coordinate), the border then moved to the cheapest nearby
// cut. With PolygonCuts::Never no border runs through a polygon, and a chart that is a
// single polygon gives fewer than two parts; otherwise borders may follow the edges of a
// polygon's triangulation.
std::vector<std::vector<uint32_t>> splitChart(const SurfaceMesh& surface, const ChartMesh& chart,
                                              GeodesicMethod geodesics, PolygonCuts polygonCuts, ChartScratch& scratch);

} // namespace Isochart
