#include "isochart/ChartPartition.h"

#include "isochart/ChartMerging.h"
#include "isochart/ChartStretch.h"
#include "isochart/PackingRefinement.h"
#include "isochart/ParallelSplit.h"

#include <algorithm>
#include <new>

namespace Isochart {

namespace {

// Share of the progress fraction spent splitting; merging takes the rest.
constexpr double kSplitShare = 0.7;

// A size for slivers that stand for triangles without any extent: the mean edge length.
double meanEdgeLength(const SurfaceMesh& surface) {
    double total = 0.0;
    size_t count = 0;
    for (uint32_t t = 0; t < surface.triangleCount(); ++t)
        for (int k = 0; k < 3; ++k) {
            const double length = (surface.corner(t, (k + 1) % 3) - surface.corner(t, k)).norm();
            if (length > 0.0 && float(length) > 1e-30f) {
                total += length;
                ++count;
            }
        }
    return count > 0 ? total / double(count) : 1.0;
}

void writeLayout(const SurfaceMesh& surface, const std::vector<FlatChart>& charts, ChartLayout& layout) {
    ChartLayout result;
    result.chartOfTriangle.assign(surface.triangleCount(), kNil);
    result.cornerVertices.assign(3 * surface.triangleCount(), kNil);
    for (uint32_t c = 0; c < charts.size(); ++c) {
        const FlatChart& chart = charts[c];
        const uint32_t base = uint32_t(result.vertexSource.size());
        for (uint32_t v = 0; v < chart.mesh.vertexCount(); ++v) {
            result.vertexSource.push_back(chart.mesh.vertexSource[v]);
            result.vertexUVs.push_back(float(chart.uv[v].x()));
            result.vertexUVs.push_back(float(chart.uv[v].y()));
        }
        for (uint32_t t = 0; t < chart.mesh.triangleCount(); ++t) {
            const uint32_t input = chart.mesh.triangles[t];
            result.chartOfTriangle[input] = c;
            for (int k = 0; k < 3; ++k)
                result.cornerVertices[3 * size_t(input) + k] = base + chart.mesh.corners[t][k];
        }
        result.maxStretch = std::max(result.maxStretch, float(stretchFigure(chart.stretchSquared)));
    }
    result.chartCount = charts.size();
    layout = std::move(result);
}

HRESULT partition(const MeshView& mesh, const PartitionSettings& settings, const PartitionProgress& progress,
                  ChartLayout& layout) {
    SurfaceMesh surface;
    if (const HRESULT status = buildSurfaceMesh(mesh, surface); FAILED(status)) return status;
    if (surface.triangleCount() == 0 || !(settings.maxStretch >= 0.0f && settings.maxStretch <= 1.0f)) return E_FAIL;

    auto report = [&](double fraction) { return !progress || progress(float(fraction)); };
    std::vector<uint32_t> regular;
    std::vector<FlatChart> slivers;
    const double sliverLength = meanEdgeLength(surface);
    for (uint32_t t = 0; t < surface.triangleCount(); ++t) {
        if (surface.degenerate[t])
            slivers.push_back(degenerateChart(surface, t, sliverLength));
        else
            regular.push_back(t);
    }
    ChartScratch scratch(surface.triangleCount());
    std::vector<FlatChart> charts;
    size_t cutPolygonCount = 0;
    if (!regular.empty()) {
        const HRESULT status = splitUntilValid(
            surface, connectedParts(surface, regular, scratch), settings,
            [&](double f) { return report(kSplitShare * f); }, charts, cutPolygonCount);
        if (FAILED(status)) return status;
    }
    for (auto& sliver : slivers)
        charts.push_back(std::move(sliver));
    const HRESULT status = mergeCharts(
        surface, settings, [&](double f) { return report(kSplitShare + (1.0 - kSplitShare) * f); }, charts);
    if (FAILED(status)) return status;
    if (settings.maxChartCount == 0) cutWastefulCharts(surface, settings, charts);
    if (!report(1.0)) return E_ABORT;
    writeLayout(surface, charts, layout);
    layout.cutPolygonCount = cutPolygonCount;
    return S_OK;
}

} // namespace

HRESULT partitionCharts(const MeshView& mesh, const PartitionSettings& settings, const PartitionProgress& progress,
                        ChartLayout& layout) {
    try {
        return partition(mesh, settings, progress, layout);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace Isochart
