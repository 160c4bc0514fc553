#include "ChartPreparation.h"

#include "ChartBoundary.h"
#include "ChartOrientations.h"
#include "ChartPadding.h"
#include "ConvexHull.h"
#include "Geometry.h"
#include "PlacementSearch.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>
#include <numeric>
#include <thread>

namespace OmbrixVectorPacker {

namespace {

constexpr uint32_t kNil = 0xFFFFFFFFu;

// Runs `work(chart, threadIndex)` over consecutive batches of charts of about equal
// weight, one thread per batch; every thread is joined before returning, and the first
// exception thrown by any of them is passed on.
void runInBatches(std::span<const size_t> weights, unsigned threadCount,
                  const std::function<void(size_t, unsigned)>& work) {
    const size_t total = std::accumulate(weights.begin(), weights.end(), size_t{0});
    const size_t share = std::max<size_t>(1, total / std::max(1u, threadCount));
    std::vector<size_t> batchStarts{0};
    size_t weight = 0;
    for (size_t chart = 0; chart < weights.size(); ++chart) {
        weight += weights[chart];
        if (weight >= share && chart + 1 < weights.size() && batchStarts.size() < threadCount) {
            batchStarts.push_back(chart + 1);
            weight = 0;
        }
    }
    batchStarts.push_back(weights.size());

    std::vector<std::exception_ptr> errors(batchStarts.size() - 1);
    {
        std::vector<std::jthread> threads;
        threads.reserve(errors.size());
        for (unsigned batch = 0; batch < errors.size(); ++batch) {
            threads.emplace_back([&, batch] {
                try {
                    for (size_t chart = batchStarts[batch]; chart < batchStarts[batch + 1]; ++chart)
                        work(chart, batch);
                } catch (...) {
                    errors[batch] = std::current_exception();
                }
            });
        }
    }
    for (const std::exception_ptr& error : errors)
        if (error) std::rethrow_exception(error);
}

// Outline of one chart: the traced loops, or the hull when tracing fails; then padding
// and orientations.
void shapeChart(PackChart& chart, BoundaryTracer& tracer, std::span<const Point2> scaled,
                std::span<const uint32_t> corners, const PackSettings& settings) {
    convexHull(chart.corner_points, chart.outline_points);
    if (!tracer.trace(scaled, corners, chart.outline, chart.loop_starts)) {
        chart.outline.clear();
        chart.loop_starts.clear();
        const size_t count = chart.outline_points.size();
        for (size_t i = 0; i < count; ++i) {
            OutlineEdge edge;
            edge.start = chart.outline_points[i];
            edge.end = chart.outline_points[(i + 1) % count];
            edge.outer = true;
            edge.loop_length = i == 0 ? static_cast<uint32_t>(count) : 0u;
            chart.outline.push_back(edge);
        }
    }
    chart.traced_outline = chart.outline;
    padOutline(chart);
    buildOrientations(chart, settings);
}

double triangleArea(Point2 a, Point2 b, Point2 c) {
    return 0.5 * std::abs(cross(b - a, c - a));
}

} // namespace

uint32_t findChartIds(std::span<const uint32_t> adjacency, size_t triangleCount, std::vector<uint32_t>& chartIds) {
    chartIds.assign(triangleCount, 0);
    std::vector<uint32_t> queue;
    uint32_t next = 0;
    for (size_t seed = 0; seed < triangleCount; ++seed) {
        if (chartIds[seed] != 0) continue;
        ++next;
        queue.assign(1, static_cast<uint32_t>(seed));
        for (size_t head = 0; head < queue.size(); ++head) {
            const uint32_t triangle = queue[head];
            if (chartIds[triangle] != 0) continue;
            chartIds[triangle] = next;
            for (int k = 0; k < 3; ++k) {
                const uint32_t neighbour = adjacency[3 * size_t{triangle} + k];
                if (neighbour != kNil && chartIds[neighbour] == 0) queue.push_back(neighbour);
            }
        }
    }
    return next;
}

PreparedCharts prepareCharts(VectorPacker& packer, std::span<const Point2> uvs, std::span<const uint32_t> triangles,
                             std::span<const uint32_t> adjacency, const PackSettings& settings, unsigned threadCount) {
    const size_t triangleCount = triangles.size() / 3;
    std::vector<uint32_t> chartIds;
    const uint32_t chartCount = findChartIds(adjacency, triangleCount, chartIds);
    PreparedCharts prepared;
    prepared.normalisation = normalisationOf(uvs, triangles);

    std::vector<Point2> scaled(uvs.size());
    for (size_t i = 0; i < uvs.size(); ++i)
        scaled[i] = prepared.normalisation.toUnits(uvs[i]);

    packer.charts.assign(chartCount, PackChart{});
    for (uint32_t c = 0; c < chartCount; ++c) {
        packer.charts[c].id = c;
        packer.charts[c].padding = std::max(settings.padding, 0.0);
    }
    // Each chart's triangles, grouped by chart, and the vertex chart map (a later triangle
    // overwrites an earlier one).
    std::vector<size_t> chartStarts(chartCount + 1, 0);
    for (const uint32_t id : chartIds)
        ++chartStarts[id];
    std::partial_sum(chartStarts.begin(), chartStarts.end(), chartStarts.begin());
    std::vector<uint32_t> chartCorners(triangles.size());
    std::vector<size_t> fill(chartStarts.begin(), chartStarts.end() - 1);
    packer.vertex_chart.assign(uvs.size(), kNil);
    for (size_t t = 0; t < triangleCount; ++t) {
        const uint32_t chart = chartIds[t] - 1;
        PackChart& record = packer.charts[chart];
        Point2 corner[3];
        for (int k = 0; k < 3; ++k) {
            const uint32_t vertex = triangles[3 * t + k];
            packer.vertex_chart[vertex] = chart;
            corner[k] = scaled[vertex];
            record.corner_points.push_back(corner[k]);
            chartCorners[3 * fill[chart] + k] = vertex;
        }
        ++fill[chart];
        if (triangleArea(corner[0], corner[1], corner[2]) >= 1e-16)
            record.centroids.push_back((corner[0] + corner[1] + corner[2]) * (1.0 / 3.0));
    }

    std::vector<size_t> weights(chartCount);
    for (uint32_t c = 0; c < chartCount; ++c)
        weights[c] = chartStarts[c + 1] - chartStarts[c];
    std::vector<BoundaryTracer> tracers(std::max(1u, threadCount));
    runInBatches(weights, threadCount, [&](size_t chart, unsigned thread) {
        const std::span<const uint32_t> corners(chartCorners.data() + 3 * chartStarts[chart], 3 * weights[chart]);
        shapeChart(packer.charts[chart], tracers[thread], scaled, corners, settings);
    });

    for (const PackChart& chart : packer.charts) {
        prepared.scratch_hint = std::max(prepared.scratch_hint, chart.outline.size());
        prepared.largest_extent = std::max({prepared.largest_extent, chart.size.x, chart.size.y});
    }
    runInBatches(weights, threadCount, [&](size_t chart, unsigned) {
        thinOrientations(packer.charts[chart], prepared.largest_extent, settings.pre_rotate);
    });

    std::stable_sort(packer.charts.begin(), packer.charts.end(), placedBefore);
    std::vector<uint32_t> newPosition(chartCount);
    for (uint32_t position = 0; position < chartCount; ++position)
        newPosition[packer.charts[position].id] = position;
    for (uint32_t& chart : packer.vertex_chart)
        if (chart != kNil) chart = newPosition[chart];
    packer.step = 0.01 * prepared.largest_extent;
    return prepared;
}

} // namespace OmbrixVectorPacker
