#include "engine/UVAtlas.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

constexpr uint32_t None = 0xFFFFFFFFu;

// Charts as a partition hands them over: `chartCount` bent grids of random size and aspect,
// all near the origin, about `triangleCount` triangles together, each grid with its own
// vertices and its inner edges linked.
struct Partition {
    std::vector<UVAtlasVertex> vertices;
    std::vector<uint8_t> indexBuffer;
    std::vector<uint32_t> adjacency;
};

Partition makePartition(size_t chartCount, size_t triangleCount) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> size(0.2f, 1.0f), bend(-0.4f, 0.4f);
    const auto side = static_cast<uint32_t>(std::max(1.0, std::sqrt(triangleCount / (2.0 * chartCount))));
    Partition partition;
    std::vector<uint32_t> indices;
    for (size_t chart = 0; chart < chartCount; ++chart) {
        const auto base = static_cast<uint32_t>(partition.vertices.size());
        const auto firstTriangle = static_cast<uint32_t>(indices.size() / 3);
        const float width = size(random), height = size(random) * 0.5f, curve = bend(random);
        for (uint32_t y = 0; y <= side; ++y)
            for (uint32_t x = 0; x <= side; ++x) {
                const float u = width * x / side, v = height * y / side + curve * std::sin(3.0f * u);
                partition.vertices.push_back({{0, 0, 0}, {u, v}});
            }
        for (uint32_t y = 0; y < side; ++y)
            for (uint32_t x = 0; x < side; ++x) {
                const uint32_t a = base + y * (side + 1) + x, b = a + 1, c = a + side + 2, d = a + side + 1;
                const uint32_t square = firstTriangle + 2 * (y * side + x);
                indices.insert(indices.end(), {a, b, c, a, c, d});
                const uint32_t below = y > 0 ? square - 2 * side + 1 : None;
                const uint32_t right = x + 1 < side ? square + 3 : None;
                const uint32_t above = y + 1 < side ? square + 2 * side : None;
                const uint32_t left = x > 0 ? square - 2 : None;
                partition.adjacency.insert(partition.adjacency.end(), {below, right, square + 1, square, above, left});
            }
    }
    partition.indexBuffer.resize(4 * indices.size());
    std::memcpy(partition.indexBuffer.data(), indices.data(), partition.indexBuffer.size());
    return partition;
}

// The share of the unit square the packed triangles cover.
double packedArea(const std::vector<UVAtlasVertex>& vertices, const std::vector<uint8_t>& indexBuffer) {
    std::vector<uint32_t> indices(indexBuffer.size() / sizeof(uint32_t));
    std::memcpy(indices.data(), indexBuffer.data(), indexBuffer.size());
    double area = 0.0;
    for (size_t t = 0; t + 2 < indices.size(); t += 3) {
        const auto &a = vertices[indices[t]].uv, &b = vertices[indices[t + 1]].uv, &c = vertices[indices[t + 2]].uv;
        area += 0.5 * std::abs(double(b.x - a.x) * (c.y - a.y) - double(b.y - a.y) * (c.x - a.x));
    }
    return area;
}

// Packs charts of about a million triangles in all into a 2048 x 2048 texture with 2 texels of gutter.
void packManyCharts(benchmark::State& state) {
    const Partition partition = makePartition(static_cast<size_t>(state.range(0)), 1000000);
    std::vector<UVAtlasVertex> vertices;
    for (auto _ : state) {
        vertices = partition.vertices;
        const HRESULT result = UVAtlasPack(vertices, partition.indexBuffer, UVATLAS_FORMAT_R32_UINT, 2048, 2048, 2.0f,
                                           partition.adjacency, nullptr, 0.1f);
        if (FAILED(result)) state.SkipWithError("packing failed");
        benchmark::DoNotOptimize(vertices.data());
    }
    state.counters["triangles"] = static_cast<double>(partition.adjacency.size() / 3);
    state.counters["efficiency"] = packedArea(vertices, partition.indexBuffer);
}

BENCHMARK(packManyCharts)->Arg(50)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
