#include "isochart/ChartAtlasPacker.h"
#include "isochart/ChartPartition.h"

#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

struct BenchMesh {
    std::vector<float> positions;
    std::vector<uint32_t> indices;
    std::vector<uint32_t> adjacency;
    std::vector<uint32_t> falseEdges; // between the fan triangles of one polygon
};

// Links triangles across opposite half-edges; a third triangle on an edge stays unlinked.
void linkHalfEdges(BenchMesh& mesh) {
    const size_t corners = mesh.indices.size();
    mesh.adjacency.assign(corners, 0xFFFFFFFFu);
    std::unordered_map<uint64_t, uint32_t> open;
    open.reserve(corners);
    auto key = [](uint32_t a, uint32_t b) { return (uint64_t(a) << 32) | b; };
    for (uint32_t c = 0; c < corners; ++c) {
        const uint32_t from = mesh.indices[c], to = mesh.indices[c - c % 3 + (c + 1) % 3];
        const auto twin = open.find(key(to, from));
        if (twin != open.end()) {
            mesh.adjacency[c] = twin->second / 3;
            mesh.adjacency[twin->second] = c / 3;
            open.erase(twin);
        } else {
            open.emplace(key(from, to), c);
        }
    }
}

BenchMesh loadObj(const std::string& path) {
    tinyobj::ObjReader reader;
    if (!reader.ParseFromFile(path)) throw std::runtime_error("cannot read " + path);
    BenchMesh mesh;
    mesh.positions = reader.GetAttrib().vertices;
    std::vector<uint32_t> polygonOf;
    for (const auto& shape : reader.GetShapes()) {
        size_t offset = 0;
        for (unsigned count : shape.mesh.num_face_vertices) {
            for (unsigned k = 1; k + 1 < count; ++k) {
                for (unsigned corner : {0u, k, k + 1})
                    mesh.indices.push_back(uint32_t(shape.mesh.indices[offset + corner].vertex_index));
                polygonOf.push_back(uint32_t(offset));
            }
            offset += count;
        }
    }
    linkHalfEdges(mesh);
    mesh.falseEdges.assign(mesh.adjacency.size(), 0xFFFFFFFFu);
    for (size_t c = 0; c < mesh.adjacency.size(); ++c)
        if (mesh.adjacency[c] != 0xFFFFFFFFu && polygonOf[mesh.adjacency[c]] == polygonOf[c / 3])
            mesh.falseEdges[c] = mesh.adjacency[c];
    return mesh;
}

// A closed sphere with bumps of several sizes, about 2 * rings * segments triangles.
BenchMesh bumpySphere(int rings, int segments) {
    BenchMesh mesh;
    const double pi = std::numbers::pi;
    auto add = [&](double theta, double phi) {
        const double r = 1.0 + 0.08 * std::sin(5 * theta) * std::cos(4 * phi) + 0.03 * std::sin(17 * phi + 3 * theta);
        mesh.positions.push_back(float(r * std::cos(theta) * std::cos(phi)));
        mesh.positions.push_back(float(r * std::cos(theta) * std::sin(phi)));
        mesh.positions.push_back(float(r * std::sin(theta)));
    };
    add(-pi / 2, 0);
    for (int i = 1; i < rings; ++i)
        for (int j = 0; j < segments; ++j)
            add(pi * i / rings - pi / 2, 2 * pi * j / segments);
    add(pi / 2, 0);
    const uint32_t north = uint32_t(mesh.positions.size() / 3 - 1);
    auto at = [&](int i, int j) { return uint32_t(1 + (i - 1) * segments + (j % segments)); };
    for (int j = 0; j < segments; ++j) {
        mesh.indices.insert(mesh.indices.end(), {0u, at(1, j + 1), at(1, j)});
        mesh.indices.insert(mesh.indices.end(), {north, at(rings - 1, j), at(rings - 1, j + 1)});
    }
    for (int i = 1; i + 1 < rings; ++i)
        for (int j = 0; j < segments; ++j)
            mesh.indices.insert(mesh.indices.end(),
                                {at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i, j), at(i + 1, j + 1), at(i + 1, j)});
    linkHalfEdges(mesh);
    return mesh;
}

// Writes the layout as an OBJ with one UV per output vertex, for outside measurement.
void writeLayoutObj(const BenchMesh& mesh, const Isochart::ChartLayout& layout, const char* path) {
    FILE* file = std::fopen(path, "w");
    if (!file) return;
    for (size_t v = 0; v < mesh.positions.size(); v += 3)
        std::fprintf(file, "v %.7g %.7g %.7g\n", mesh.positions[v], mesh.positions[v + 1], mesh.positions[v + 2]);
    for (size_t v = 0; v < layout.vertexUVs.size(); v += 2)
        std::fprintf(file, "vt %.9g %.9g\n", layout.vertexUVs[v], layout.vertexUVs[v + 1]);
    for (size_t t = 0; t < mesh.indices.size(); t += 3)
        std::fprintf(file, "f %u/%u %u/%u %u/%u\n", mesh.indices[t] + 1, layout.cornerVertices[t] + 1,
                     mesh.indices[t + 1] + 1, layout.cornerVertices[t + 1] + 1, mesh.indices[t + 2] + 1,
                     layout.cornerVertices[t + 2] + 1);
    std::fclose(file);
}

void runPartition(benchmark::State& state, const BenchMesh& mesh, float maxStretch, Isochart::GeodesicMethod method) {
    Isochart::PartitionSettings settings;
    settings.maxStretch = maxStretch;
    settings.geodesics = method;
    const Isochart::MeshView view{mesh.positions, mesh.indices, mesh.adjacency, mesh.falseEdges};
    Isochart::ChartLayout layout;
    for (auto _ : state) {
        if (Isochart::partitionCharts(view, settings, {}, layout) != S_OK) {
            state.SkipWithError("partition failed");
            return;
        }
    }
    state.counters["triangles"] = double(mesh.indices.size() / 3);
    state.counters["charts"] = double(layout.chartCount);
    state.counters["max_stretch"] = layout.maxStretch;
    state.counters["cut_polygons"] = double(layout.cutPolygonCount);
    if (const char* dump = std::getenv("VARNELLE_LAYOUT_OBJ")) writeLayoutObj(mesh, layout, dump);
}

void BM_PartitionBunny(benchmark::State& state) {
    static const BenchMesh bunny = loadObj(VARNELLE_BENCH_DATA "/bunny.obj");
    runPartition(state, bunny, 0.15f, Isochart::GeodesicMethod(state.range(0)));
}
// Approximate is what the entry picks for a mesh of this size; Exact is its quality option.
BENCHMARK(BM_PartitionBunny)
    ->ArgName("approximate")
    ->Arg(int(Isochart::GeodesicMethod::Approximate))
    ->Arg(int(Isochart::GeodesicMethod::Exact))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// The engine packer on the bunny's charts: 2 texels of gutter on a 1024 x 1024 texture.
void BM_PackBunnyCharts(benchmark::State& state) {
    static const BenchMesh bunny = loadObj(VARNELLE_BENCH_DATA "/bunny.obj");
    Isochart::PartitionSettings settings;
    settings.geodesics = Isochart::GeodesicMethod::Approximate;
    Isochart::ChartLayout layout;
    if (Isochart::partitionCharts({bunny.positions, bunny.indices, bunny.adjacency, {}}, settings, {}, layout) !=
        S_OK) {
        state.SkipWithError("partition failed");
        return;
    }
    // Charts need no links: the packer keeps triangles that share a uv vertex together.
    const std::vector<uint32_t> unlinked(layout.cornerVertices.size(), 0xFFFFFFFFu);
    std::vector<float> uvs;
    for (auto _ : state) {
        uvs = layout.vertexUVs;
        if (Isochart::packChartAtlas(uvs, layout.cornerVertices, unlinked, {1024, 1024, 2.0f}, {}) != S_OK) {
            state.SkipWithError("packing failed");
            return;
        }
    }
    double area = 0.0;
    for (size_t t = 0; t < layout.cornerVertices.size(); t += 3) {
        const float* a = &uvs[2 * layout.cornerVertices[t]];
        const float* b = &uvs[2 * layout.cornerVertices[t + 1]];
        const float* c = &uvs[2 * layout.cornerVertices[t + 2]];
        area += 0.5 * std::abs(double(b[0] - a[0]) * (c[1] - a[1]) - double(b[1] - a[1]) * (c[0] - a[0]));
    }
    state.counters["charts"] = double(layout.chartCount);
    state.counters["efficiency"] = area;
}
BENCHMARK(BM_PackBunnyCharts)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The kit-bash scene (300 parts, caps of up to 32 sides) at the strictest limits.
void BM_PartitionKitbash(benchmark::State& state) {
    static const BenchMesh kitbash = loadObj(VARNELLE_TEST_DATA "/kitbash.obj");
    runPartition(state, kitbash, float(state.range(0)) * 1e-4f, Isochart::GeodesicMethod::Approximate);
}
BENCHMARK(BM_PartitionKitbash)
    ->ArgName("stretch_e4")
    ->Arg(0)
    ->Arg(1)
    ->Arg(1500)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

void BM_PartitionMillion(benchmark::State& state) {
    static const BenchMesh sphere = bumpySphere(500, 1000);
    runPartition(state, sphere, 0.15f, Isochart::GeodesicMethod::Approximate);
}
BENCHMARK(BM_PartitionMillion)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace
