#pragma once

#include "isochart/ChartMesh.h"

#include <Eigen/Core>

#include <functional>
#include <span>
#include <vector>

namespace Isochart {

// A chart that passed every check: connected disk, no flipped or zero-area triangle, no
// self-overlap. Its flat coordinates are centred on the origin and exact in single precision.
struct FlatChart {
    ChartMesh mesh;
    std::vector<Eigen::Vector2d> uv;
    double stretchSquared = 1.0;
};

// The most triangles a chart is flattened with while splitting or merging: larger charts cost
// more to flatten (the solves grow faster than the chart) than their fewer seams give, and
// would mostly be cut again to pack well.
constexpr size_t kLargestFlattenedChart = 200000;

// Makes a first image for a chart mesh; returns false when it has none to offer.
using StartImage = std::function<bool(const ChartMesh&, std::vector<Eigen::Vector2d>&)>;

// Flattens the chart made of `triangles` (from `start` when it offers an image) and checks
// it. Returns true and fills `result` when the chart is valid and meets `maxStretch`. On
// failure `result` keeps the chart mesh, and its image when one without flips was found
// (finite stretch), as a start for the chart's parts.
bool flattenAndCheck(const SurfaceMesh& surface, std::span<const uint32_t> triangles, double maxStretch,
                     ChartScratch& scratch, FlatChart& result, const StartImage& start = {});

// The image of `parent` restricted to `part`, a chart made of some of its triangles.
bool imageOfPart(const FlatChart& parent, const ChartMesh& part, std::vector<Eigen::Vector2d>& image);

// The chart made of `triangles`, some of `parent`'s, with the parent's image. Returns whether
// that makes a valid chart: a disk within `maxStretch` (a part of an image that does not
// overlap itself does not either).
bool restrictChart(const SurfaceMesh& surface, const FlatChart& parent, std::span<const uint32_t> triangles,
                   double maxStretch, ChartScratch& scratch, FlatChart& result);

// A chart of one degenerate triangle: a thin positive sliver as long as its longest edge.
FlatChart degenerateChart(const SurfaceMesh& surface, uint32_t triangle, double fallbackLength);

} // namespace Isochart
