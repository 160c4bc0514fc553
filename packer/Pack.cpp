#include "Pack.h"

#include "ChartPreparation.h"
#include "Geometry.h"
#include "PackErrors.h"
#include "PlacementFinder.h"
#include "TextureFit.h"

#include <cmath>
#include <stdexcept>
#include <string>
#include <thread>

namespace OmbrixVectorPacker {

namespace {

constexpr uint32_t kNil = 0xFFFFFFFFu;
// How much more than the measured need a padding must be, for the rounding of the final
// single-precision UVs.
constexpr double kGapAllowance = 1e-6;
// A repeated packing asks for this much more padding than the last one was short of.
constexpr double kPaddingGrowth = 1.02;
constexpr int kPaddingAttempts = 16;

void checkInput(size_t uvCount, std::span<const uint32_t> triangles, std::span<const uint32_t> adjacency) {
    if (triangles.size() % 3 != 0) throw PackInputError("pack: the triangle list is not a multiple of three");
    if (adjacency.size() != triangles.size())
        throw PackInputError("pack: the adjacency needs three entries per triangle");
    for (size_t corner = 0; corner < triangles.size(); ++corner)
        if (triangles[corner] >= uvCount)
            throw PackInputError("pack: triangle " + std::to_string(corner / 3) + " uses UV " +
                                 std::to_string(triangles[corner]) + ", but there are only " + std::to_string(uvCount));
    const size_t triangleCount = triangles.size() / 3;
    for (size_t corner = 0; corner < adjacency.size(); ++corner)
        if (adjacency[corner] != kNil && adjacency[corner] >= triangleCount)
            throw PackInputError("pack: triangle " + std::to_string(corner / 3) + " has neighbour " +
                                 std::to_string(adjacency[corner]) + ", but there are only " +
                                 std::to_string(triangleCount) + " triangles");
}

void checkSettings(const PackSettings& settings) {
    if (!(settings.aspect > 0.0) || !std::isfinite(settings.aspect))
        throw PackInputError("pack: the aspect " + std::to_string(settings.aspect) + " is not a positive number");
    if (std::isnan(settings.padding) || std::isinf(settings.padding))
        throw PackInputError("pack: the padding " + std::to_string(settings.padding) + " is not a finite number");
}

// Where every charted UV ends in the layout, in normalised units: rotated about its chart's
// pivot and placed; (0, 0) for a chart without outline. Returns the span of those points.
Point2 placedPoints(const VectorPacker& packer, std::span<const Point2> uvs, const Normalisation& normalisation,
                    std::vector<Point2>& points) {
    points.assign(uvs.size(), {0.0, 0.0});
    Point2 low{kLargest, kLargest}, high{-kLargest, -kLargest};
    for (size_t i = 0; i < uvs.size(); ++i) {
        const uint32_t position = packer.vertex_chart[i];
        if (position == kNil) continue;
        const PackChart& chart = packer.charts[position];
        if (chart.has_outline) {
            const Point2 turned =
                rotateAbout(normalisation.toUnits(uvs[i]), chart.pivot, std::cos(chart.angle), std::sin(chart.angle));
            points[i] = turned + chart.position - chart.box_min;
        }
        low = {std::min(low.x, points[i].x), std::min(low.y, points[i].y)};
        high = {std::max(high.x, points[i].x), std::max(high.y, points[i].y)};
    }
    return low.x <= high.x ? high - low : Point2{0.0, 0.0};
}

// Writes the placed points back, scaled by the layout factor to the input's units.
void writeUVs(const VectorPacker& packer, const std::vector<Point2>& points, const Normalisation& normalisation,
              std::vector<Point2>& uvs) {
    const double layout =
        packer.extent_x > 0.0 && packer.extent_y > 0.0 ? std::min(1.0 / packer.extent_x, 1.0 / packer.extent_y) : 1.0;
    for (size_t i = 0; i < uvs.size(); ++i)
        if (packer.vertex_chart[i] != kNil) uvs[i] = normalisation.toInput(points[i] * layout);
}

void resetLayout(VectorPacker& packer, const PackSettings& settings) {
    packer.stats = PackStats{};
    packer.stats.aspect = settings.aspect;
    packer.stats.total_count = packer.charts.size();
    packer.aspect = settings.aspect;
    packer.extent_x = 0.0;
    packer.extent_y = 0.0;
    packer.placed_boxes.clear();
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
    checkSettings(settings);
    if (triangles.empty()) return;
    threadCount = std::max(1u, threadCount);
    const TextureFit fit{settings.aspect, std::max(settings.padding, 0.0)};
    if (!(fit.shrink() > 0.0))
        throw PackSpaceError("pack: a padding of " + std::to_string(fit.padding) +
                             " of the texture's larger side leaves no room for the charts");

    // Fitting the layout into the texture shrinks it; when that would bring two charts
    // closer than the padding in texels (or than single precision can keep apart at
    // padding 0), the charts are packed again with the padding they need.
    // A single chart keeps no distance to anything.
    std::vector<uint32_t> chartIds;
    const bool alone = findChartIds(adjacency, triangles.size() / 3, chartIds) == 1;
    PackSettings trial = settings;
    trial.padding = alone ? fit.padding : fit.least();
    std::vector<Point2> points;
    for (int attempt = 1;; ++attempt) {
        const PreparedCharts prepared = prepareCharts(packer, uvs, triangles, adjacency, trial, threadCount);
        resetLayout(packer, settings);
        placeCharts(packer, trial, prepared.scratch_hint, threadCount);
        const double gap = fit.gapFor(placedPoints(packer, uvs, prepared.normalisation, points));
        if (packer.stats.placed_count < 2 || 2.0 * trial.padding >= gap * (1.0 + kGapAllowance)) {
            writeUVs(packer, points, prepared.normalisation, uvs);
            return;
        }
        if (attempt == kPaddingAttempts)
            throw PackSpaceError("pack: " + std::to_string(packer.stats.placed_count) +
                                 " charts cannot keep a padding of " + std::to_string(fit.padding) +
                                 " of the texture's larger side between them; the texture is too small");
        trial.padding = std::max(0.5 * gap, trial.padding) * kPaddingGrowth;
    }
}

} // namespace OmbrixVectorPacker
