#include "isochart/ChartSplitting.h"

#include "isochart/CutRefinement.h"
#include "isochart/LandmarkEmbedding.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <queue>

namespace Isochart {

namespace {

Eigen::Vector3d centroid(const SurfaceMesh& surface, uint32_t triangle) {
    return (surface.corner(triangle, 0) + surface.corner(triangle, 1) + surface.corner(triangle, 2)) / 3.0;
}

// Distances between triangle centres along the links inside the chart.
void triangleDistances(const SurfaceMesh& surface, const ChartMesh& chart, uint32_t source,
                       std::vector<double>& distance) {
    using Entry = std::pair<double, uint32_t>;
    distance.assign(chart.triangleCount(), std::numeric_limits<double>::infinity());
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
    distance[source] = 0.0;
    queue.emplace(0.0, source);
    while (!queue.empty()) {
        const auto [d, t] = queue.top();
        queue.pop();
        if (d > distance[t]) continue;
        const Eigen::Vector3d here = centroid(surface, chart.triangles[t]);
        for (uint32_t other : chart.links[t]) {
            if (other == kNil) continue;
            const double next = d + (centroid(surface, chart.triangles[other]) - here).norm();
            if (next < distance[other]) {
                distance[other] = next;
                queue.emplace(next, other);
            }
        }
    }
}

// Landmarks for the principal coordinate: a few suffice to find a chart's longest extent.
constexpr size_t kLandmarkCount = 6;
constexpr size_t kLeastEmbeddedVertices = 16;
// The graph cut may move the border within this share of the smaller side's extent.
constexpr double kBandShare = 0.35;

// The graph cut's time grows faster than its band: on large charts the band is narrowed to
// hold at most this many triangles, which still leaves the cut many rings to reach the
// features near the middle.
constexpr size_t kMostBandTriangles = 100000;

// The band of `share` of the smaller side's extent, narrowed to the triangles above.
double cutBand(const std::vector<double>& value, double share) {
    const auto [low, high] = std::minmax_element(value.begin(), value.end());
    const double band = share * std::min(-*low, *high);
    if (value.size() <= kMostBandTriangles) return band;
    std::vector<double> offset(value.size());
    std::transform(value.begin(), value.end(), offset.begin(), [](double v) { return std::abs(v); });
    std::nth_element(offset.begin(), offset.begin() + kMostBandTriangles, offset.end());
    return std::min(band, offset[kMostBandTriangles]);
}

uint32_t farthest(const std::vector<double>& distance) {
    return uint32_t(std::max_element(distance.begin(), distance.end()) - distance.begin());
}

std::vector<std::vector<uint32_t>> partsOfSides(const SurfaceMesh& surface, const std::vector<uint32_t> (&sides)[2],
                                                ChartScratch& scratch) {
    std::vector<std::vector<uint32_t>> parts;
    for (const auto& part : sides)
        for (auto& piece : connectedParts(surface, part, scratch))
            parts.push_back(std::move(piece));
    return parts;
}

} // namespace

std::vector<std::vector<uint32_t>> splitChart(const SurfaceMesh& surface, const ChartMesh& chart,
                                              GeodesicMethod geodesics, PolygonCuts polygonCuts,
                                              ChartScratch& scratch) {
    // The value whose sign picks the side: the principal coordinate, or failing that the
    // difference of centre distances to the two ends of the chart.
    std::vector<double> vertexValue, value(chart.triangleCount());
    if (chart.vertexCount() >= kLeastEmbeddedVertices &&
        principalCoordinate(surface, chart, geodesics, kLandmarkCount, vertexValue)) {
        for (uint32_t t = 0; t < chart.triangleCount(); ++t)
            value[t] = (vertexValue[chart.corners[t][0]] + vertexValue[chart.corners[t][1]] +
                        vertexValue[chart.corners[t][2]]) /
                       3.0;
    } else {
        std::vector<double> fromFirst, fromSecond;
        triangleDistances(surface, chart, 0, fromFirst);
        triangleDistances(surface, chart, farthest(fromFirst), fromFirst);
        triangleDistances(surface, chart, farthest(fromFirst), fromSecond);
        for (uint32_t t = 0; t < chart.triangleCount(); ++t)
            value[t] = fromSecond[t] - fromFirst[t];
    }
    std::vector<uint8_t> side;
    const bool cutPolygons = polygonCuts == PolygonCuts::AlongTriangulation;
    refineCut(surface, chart, value, cutBand(value, kBandShare), cutPolygons, side);
    std::vector<uint32_t> sides[2];
    if (cutPolygons) {
        for (uint32_t t = 0; t < chart.triangleCount(); ++t)
            sides[side[t]].push_back(chart.triangles[t]);
        if (sides[0].empty() || sides[1].empty()) {
            // No cut through the middle: take the triangle at the chart's far end off alone.
            const uint32_t end = uint32_t(std::max_element(value.begin(), value.end()) - value.begin());
            sides[0].assign(1, chart.triangles[end]);
            sides[1].clear();
            for (uint32_t input : chart.triangles)
                if (input != chart.triangles[end]) sides[1].push_back(input);
            if (sides[1].empty()) return {};
        }
        return partsOfSides(surface, sides, scratch);
    }

    // Every polygon goes, whole, to the side that holds most of its area.
    auto& balance = scratch.polygonBalance;
    for (uint32_t t = 0; t < chart.triangleCount(); ++t) {
        const uint32_t input = chart.triangles[t];
        balance[surface.polygonOf[input]] += (side[t] == 0 ? 1.0 : -1.0) * (surface.area[input] + 1e-300);
    }
    for (uint32_t input : chart.triangles)
        sides[balance[surface.polygonOf[input]] > 0.0 ? 0 : 1].push_back(input);
    for (uint32_t input : chart.triangles)
        balance[surface.polygonOf[input]] = 0.0;
    if (sides[0].empty() || sides[1].empty()) {
        // One polygon spans the whole cut: take the polygon at the chart's far end off alone.
        const uint32_t end = uint32_t(std::max_element(value.begin(), value.end()) - value.begin());
        const uint32_t polygon = surface.polygonOf[chart.triangles[end]];
        sides[0].clear();
        sides[1].clear();
        for (uint32_t input : chart.triangles)
            sides[surface.polygonOf[input] == polygon ? 0 : 1].push_back(input);
        if (sides[1].empty()) return {};
    }
    return partsOfSides(surface, sides, scratch);
}

} // namespace Isochart
