// Chart outlines and whole packs on islands of real meshes: the box-projected parts of a
// kitbash scene and the UV charts of a scanned cow, repeated at mixed sizes and angles to
// the chart counts wanted (padding 2 texels at 1024 x 1024, rotation 1); the kitbash scene
// itself as `varnelle pack` packs it; and many alike charts (separate right triangles).
#include "apps/varnelle/UVCharts.h"
#include "hostapi/ObjFile.h"
#include "packer/ChartPreparation.h"
#include "packer/Geometry.h"
#include "packer/Pack.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <random>
#include <string>
#include <thread>

using namespace OmbrixVectorPacker;

namespace {

constexpr uint32_t kNil = 0xFFFFFFFFu;

struct Island {
    std::vector<Point2> uvs;
    std::vector<uint32_t> triangles;
    std::vector<uint32_t> adjacency;
};

struct Layout {
    std::vector<Point2> uvs;
    std::vector<uint32_t> triangles;
    std::vector<uint32_t> adjacency;
};

// Splits a mesh's charts into islands with their own UV and triangle numbers.
void appendIslands(const std::string& path, std::vector<Island>& islands) {
    UVCharts charts;
    std::string problem;
    if (!readUVCharts(importObj(path).front(), charts, problem)) throw std::runtime_error(path + ": " + problem);
    std::vector<uint32_t> ids;
    const uint32_t count = findChartIds(charts.adjacency, charts.triangles.size() / 3, ids);
    const size_t first = islands.size();
    islands.resize(first + count);
    std::vector<uint32_t> localTriangle(ids.size()), localUV(charts.uvs.size(), kNil);
    for (size_t t = 0; t < ids.size(); ++t) {
        Island& island = islands[first + ids[t] - 1];
        localTriangle[t] = static_cast<uint32_t>(island.triangles.size() / 3);
        for (int k = 0; k < 3; ++k) {
            const uint32_t uv = charts.triangles[3 * t + k];
            if (localUV[uv] == kNil) {
                localUV[uv] = static_cast<uint32_t>(island.uvs.size());
                island.uvs.push_back(charts.uvs[uv]);
            }
            island.triangles.push_back(localUV[uv]);
        }
    }
    for (size_t t = 0; t < ids.size(); ++t) {
        Island& island = islands[first + ids[t] - 1];
        for (int k = 0; k < 3; ++k) {
            const uint32_t neighbour = charts.adjacency[3 * t + k];
            island.adjacency.push_back(neighbour == kNil ? kNil : localTriangle[neighbour]);
        }
    }
}

const std::vector<Island>& realIslands() {
    static const std::vector<Island> islands = [] {
        std::vector<Island> all;
        appendIslands(VARNELLE_PACKER_BENCH_DATA "/kitbash.obj", all);
        appendIslands(VARNELLE_PACKER_BENCH_DATA "/spot.obj", all);
        return all;
    }();
    return islands;
}

// `count` islands drawn in turn from the real ones, each scaled by 0.25 to 2 (area-wise
// mixed sizes) and turned by a random angle, scattered over one square.
Layout makeLayout(size_t count) {
    const std::vector<Island>& islands = realIslands();
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Layout layout;
    for (size_t i = 0; i < count; ++i) {
        const Island& island = islands[(i * 7919) % islands.size()];
        const double scale = 0.25 + 1.75 * unit(random) * unit(random);
        const double angle = 6.283185307179586 * unit(random);
        const double c = std::cos(angle) * scale, s = std::sin(angle) * scale;
        const Point2 shift{unit(random), unit(random)};
        const uint32_t firstUV = static_cast<uint32_t>(layout.uvs.size());
        const uint32_t firstTriangle = static_cast<uint32_t>(layout.triangles.size() / 3);
        for (const Point2 p : island.uvs)
            layout.uvs.push_back({p.x * c - p.y * s + shift.x, p.x * s + p.y * c + shift.y});
        for (const uint32_t uv : island.triangles)
            layout.triangles.push_back(firstUV + uv);
        for (const uint32_t neighbour : island.adjacency)
            layout.adjacency.push_back(neighbour == kNil ? kNil : firstTriangle + neighbour);
    }
    return layout;
}

PackSettings benchSettings(int packMode, double paddingTexels = 2.0, bool fullRotation = false) {
    return makePackSettings(1024, 1024, paddingTexels, true, 1, fullRotation, packMode);
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Packs the layout once and returns the share of the enclosing square its charts fill (all
// charts together have area 1 in the packer's units).
double packedEfficiency(const std::vector<Point2>& input, const std::vector<uint32_t>& triangles,
                        const std::vector<uint32_t>& adjacency, const PackSettings& settings) {
    std::vector<Point2> uvs = input;
    VectorPacker packer;
    pack(packer, uvs, triangles, adjacency, settings, std::span<const uint32_t>{});
    const double side = std::max(packer.extent_x, packer.extent_y);
    return 1.0 / (side * side);
}

void BM_Outlines(benchmark::State& state) {
    const Layout layout = makeLayout(static_cast<size_t>(state.range(0)));
    const unsigned threads = packThreadCount(std::thread::hardware_concurrency());
    size_t orientations = 0;
    for (auto _ : state) {
        VectorPacker packer;
        prepareCharts(packer, layout.uvs, layout.triangles, layout.adjacency,
                      benchSettings(1, 2.0, state.range(1) != 0), threads);
        orientations = 0;
        for (const PackChart& chart : packer.charts)
            orientations += chart.orientations.size();
        benchmark::DoNotOptimize(packer.charts.data());
    }
    state.counters["triangles"] = static_cast<double>(layout.triangles.size() / 3);
    state.counters["orientations"] = static_cast<double>(orientations);
    state.counters["peak_MB"] = peakMegabytes();
}

void BM_Pack(benchmark::State& state) {
    const Layout layout = makeLayout(static_cast<size_t>(state.range(0)));
    double efficiency = 0.0;
    for (auto _ : state)
        efficiency =
            packedEfficiency(layout.uvs, layout.triangles, layout.adjacency,
                             benchSettings(static_cast<int>(state.range(1)), static_cast<double>(state.range(2))));
    state.counters["efficiency"] = efficiency;
    state.counters["peak_MB"] = peakMegabytes();
}

void BM_PackKitbash(benchmark::State& state) {
    UVCharts charts;
    std::string problem;
    if (!readUVCharts(importObj(VARNELLE_PACKER_BENCH_DATA "/kitbash.obj").front(), charts, problem))
        throw std::runtime_error(problem);
    double efficiency = 0.0;
    for (auto _ : state)
        efficiency = packedEfficiency(charts.uvs, charts.triangles, charts.adjacency, benchSettings(1));
    state.counters["charts"] = charts.chartCount;
    state.counters["efficiency"] = efficiency;
}

// Separate right triangles of one size, the box projection of a mesh of loose triangles.
void BM_PackAlike(benchmark::State& state) {
    Layout layout;
    for (int64_t i = 0; i < state.range(0); ++i) {
        const uint32_t first = static_cast<uint32_t>(layout.uvs.size());
        const Point2 corner{static_cast<double>(i % 40) * 2.0, static_cast<double>(i / 40) * 2.0};
        layout.uvs.insert(layout.uvs.end(), {corner, corner + Point2{1.0, 0.0}, corner + Point2{0.0, 1.0}});
        layout.triangles.insert(layout.triangles.end(), {first, first + 1, first + 2});
        layout.adjacency.insert(layout.adjacency.end(), {kNil, kNil, kNil});
    }
    double efficiency = 0.0;
    for (auto _ : state)
        efficiency = packedEfficiency(layout.uvs, layout.triangles, layout.adjacency, benchSettings(1));
    state.counters["efficiency"] = efficiency;
}

} // namespace

BENCHMARK(BM_PackKitbash)->Unit(benchmark::kMillisecond)->Iterations(1);
// Argument: the number of triangles.
BENCHMARK(BM_PackAlike)->Arg(125)->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Arguments: charts, full rotation (rotation 1 gives 2 orientations per chart before
// thinning, 4 with full rotation).
BENCHMARK(BM_Outlines)->Args({10000, 0})->Args({10000, 1})->Unit(benchmark::kMillisecond)->Iterations(1);
// Arguments: charts, pack mode, padding in texels. With 10,000 charts in 1024 x 1024 texels
// an average chart is about 10 texels wide, so 2 texels of padding around each caps the
// efficiency near 0.5; the run without padding shows the placement alone.
BENCHMARK(BM_Pack)
    ->Args({100, 1, 2})
    ->Args({1000, 1, 2})
    ->Args({1000, 2, 2})
    ->Args({10000, 1, 2})
    ->Args({10000, 1, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
