#include "Pack.h"

#include "ChartPreparation.h"
#include "Geometry.h"
#include "PlacementFinder.h"

#include <cmath>
#include <stdexcept>
#include <thread>

namespace OmbrixVectorPacker {

namespace {

constexpr uint32_t kNil = 0xFFFFFFFFu;

void checkInput(size_t uvCount, std::span<const uint32_t> triangles, std::span<const uint32_t> adjacency) {
    if (triangles.size() % 3 != 0) throw std::invalid_argument("pack: the triangle list is not a multiple of three");
    if (adjacency.size() != triangles.size())
        throw std::invalid_argument("pack: the adjacency needs three entries per triangle");
    for (const uint32_t uv : triangles)
        if (uv >= uvCount) throw std::invalid_argument("pack: a triangle uses a UV that does not exist");
    const size_t triangleCount = triangles.size() / 3;
    for (const uint32_t neighbour : adjacency)
        if (neighbour != kNil && neighbour >= triangleCount)
            throw std::invalid_argument("pack: a neighbour triangle does not exist");
}

// Moves every UV with its chart: rotated about the chart's pivot, placed, and scaled by
// the layout factor back to the input's units.
void writeUVs(const VectorPacker& packer, std::vector<Point2>& uvs, double scale) {
    const double layout =
        packer.extent_x > 0.0 && packer.extent_y > 0.0 ? std::min(1.0 / packer.extent_x, 1.0 / packer.extent_y) : 1.0;
    for (size_t i = 0; i < uvs.size(); ++i) {
        const uint32_t position = packer.vertex_chart[i];
        if (position == kNil) continue;
        const PackChart& chart = packer.charts[position];
        if (!chart.has_outline) {
            uvs[i] = {0.0, 0.0};
            continue;
        }
        const Point2 turned = rotateAbout(uvs[i] * scale, chart.pivot, std::cos(chart.angle), std::sin(chart.angle));
        const Point2 placed = turned + chart.position - chart.box_min;
        uvs[i] = placed * (layout / scale);
    }
}

// Places the charts one by one in their order.
void placeCharts(VectorPacker& packer, const PackSettings& settings, size_t scratchHint, unsigned threadCount) {
    PlacementFinder finder(packer, scratchHint, threadCount);
    PlacementHint hint;
    for (uint32_t chart = 0; chart < packer.charts.size(); ++chart) {
        const PlacementResult best = finder.find(chart, settings.hint_mode ? hint.point : Point2{0.0, 0.0});
        if (!best.score.valid) continue;
        placeChart(packer, chart, best);
        hint.update({best.x, best.y}, packer.stats.placed_count, packer.charts.size());
    }
}

} // namespace

unsigned packThreadCount(unsigned processors) {
    return processors < 1 ? 32u : processors;
}

void pack(VectorPacker& packer, std::vector<Point2>& uvs, std::span<const uint32_t> triangles,
          std::span<const uint32_t> adjacency, const PackSettings& settings, std::span<const uint32_t>) {
    pack(packer, uvs, triangles, adjacency, settings, packThreadCount(std::thread::hardware_concurrency()));
}

void pack(VectorPacker& packer, std::vector<Point2>& uvs, std::span<const uint32_t> triangles,
          std::span<const uint32_t> adjacency, const PackSettings& settings, unsigned threadCount) {
    checkInput(uvs.size(), triangles, adjacency);
    if (triangles.empty()) return;
    threadCount = std::max(1u, threadCount);
    const PreparedCharts prepared = prepareCharts(packer, uvs, triangles, adjacency, settings, threadCount);

    packer.stats = PackStats{};
    packer.stats.aspect = settings.aspect;
    packer.stats.total_count = packer.charts.size();
    packer.aspect = settings.aspect;
    packer.extent_x = 0.0;
    packer.extent_y = 0.0;
    packer.placed_boxes.clear();

    placeCharts(packer, settings, prepared.scratch_hint, threadCount);
    writeUVs(packer, uvs, prepared.scale);
}

} // namespace OmbrixVectorPacker
