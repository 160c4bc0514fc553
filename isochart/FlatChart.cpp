#include "isochart/FlatChart.h"

#include "isochart/ChartFlattening.h"
#include "isochart/ChartOverlap.h"
#include "isochart/ChartStretch.h"

#include <algorithm>
#include <limits>

namespace Isochart {

namespace {

constexpr double kHopelessFactor = 4.0;

// Centres the image and rounds it to the single precision the layout is stored in, so that
// every later check sees exactly what the caller will get.
void roundToStored(std::vector<Eigen::Vector2d>& uv) {
    Eigen::Vector2d low = uv[0], high = uv[0];
    for (const auto& p : uv) {
        low = low.cwiseMin(p);
        high = high.cwiseMax(p);
    }
    const Eigen::Vector2d centre = 0.5 * (low + high);
    for (auto& p : uv)
        p = Eigen::Vector2d(double(float(p.x() - centre.x())), double(float(p.y() - centre.y())));
}

} // namespace

bool flattenAndCheck(const SurfaceMesh& surface, std::span<const uint32_t> triangles, double maxStretch,
                     ChartScratch& scratch, FlatChart& result, const StartImage& start) {
    result.stretchSquared = std::numeric_limits<double>::infinity();
    result.uv.clear();
    buildChartMesh(surface, triangles, scratch, result.mesh);
    if (!result.mesh.isDisk()) return false;
    // Charts this far beyond the limit after a few steps will not come back within it.
    const double allowed = maxStretch < 1.0 ? 1.0 / (1.0 - maxStretch) : std::numeric_limits<double>::infinity();
    const double hopeless = 1.0 + kHopelessFactor * (allowed - 1.0);
    std::vector<Eigen::Vector2d> first;
    const bool started = start && start(result.mesh, first);
    result.stretchSquared = flattenChart(surface, result.mesh, result.uv, started ? &first : nullptr, hopeless);
    if (!meetsStretchLimit(result.stretchSquared, maxStretch)) return false;
    roundToStored(result.uv);
    result.stretchSquared = chartStretchSquared(surface, result.mesh, result.uv);
    return meetsStretchLimit(result.stretchSquared, maxStretch) && !hasSelfOverlap(result.mesh, result.uv);
}

bool imageOfPart(const FlatChart& parent, const ChartMesh& part, std::vector<Eigen::Vector2d>& image) {
    if (!(parent.stretchSquared < std::numeric_limits<double>::infinity()) || parent.uv.empty()) return false;
    image.assign(part.vertexCount(), Eigen::Vector2d::Zero());
    for (uint32_t t = 0; t < part.triangleCount(); ++t) {
        const uint32_t local = localTriangle(parent.mesh, part.triangles[t]);
        if (local == kNil) return false;
        for (int k = 0; k < 3; ++k)
            image[part.corners[t][k]] = parent.uv[parent.mesh.corners[local][k]];
    }
    return true;
}

bool restrictChart(const SurfaceMesh& surface, const FlatChart& parent, std::span<const uint32_t> triangles,
                   double maxStretch, ChartScratch& scratch, FlatChart& result) {
    buildChartMesh(surface, triangles, scratch, result.mesh);
    if (!result.mesh.isDisk() || !imageOfPart(parent, result.mesh, result.uv)) return false;
    roundToStored(result.uv);
    result.stretchSquared = chartStretchSquared(surface, result.mesh, result.uv);
    return meetsStretchLimit(result.stretchSquared, maxStretch);
}

FlatChart degenerateChart(const SurfaceMesh& surface, uint32_t triangle, double fallbackLength) {
    FlatChart chart;
    chart.mesh.triangles = {triangle};
    chart.mesh.corners = {{0, 1, 2}};
    chart.mesh.links = {{kNil, kNil, kNil}};
    chart.mesh.vertexSource.assign(surface.triangles[triangle].begin(), surface.triangles[triangle].end());
    chart.mesh.onBorder = {1, 1, 1};
    chart.mesh.edgeCount = 3;
    chart.mesh.componentCount = 1;
    double length = 0.0;
    for (int k = 0; k < 3; ++k)
        length = std::max(length, (surface.corner(triangle, (k + 1) % 3) - surface.corner(triangle, k)).norm());
    if (!(float(length) > 1e-30f)) length = fallbackLength;
    const float stored = float(length);
    chart.uv = {Eigen::Vector2d(-0.5 * stored, 0.0), Eigen::Vector2d(0.5 * stored, 0.0),
                Eigen::Vector2d(-0.5 * stored, double(0.05f * stored))};
    chart.stretchSquared = 1.0;
    return chart;
}

} // namespace Isochart
