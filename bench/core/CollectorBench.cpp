// Mesh data collection plus triangle adjacency on large triangle meshes.
#include "core/MeshDataCollector.h"
#include "core/UnwrapMesh.h"
#include "engine/TriangleAdjacency.h"
#include "hostapi/MeshData.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// A wavy height field of n x n quads, each split into two triangle polygons, with UVs
// shared along a seam every 64 columns.
MObject wavyTriangleGrid(int n) {
    std::vector<MPoint> points;
    points.reserve(size_t(n + 1) * (n + 1));
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
            points.emplace_back(i, j, 0.3 * std::sin(i * 0.21) * std::cos(j * 0.17));
    std::vector<int> offsets{0}, vertices;
    vertices.reserve(size_t(6) * n * n);
    offsets.reserve(size_t(2) * n * n + 1);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const int a = j * (n + 1) + i, b = a + 1, c = a + n + 2, d = a + n + 1;
            vertices.insert(vertices.end(), {a, b, c});
            offsets.push_back(static_cast<int>(vertices.size()));
            vertices.insert(vertices.end(), {a, c, d});
            offsets.push_back(static_cast<int>(vertices.size()));
        }
    MObject mesh = MeshData::create("grid", std::move(points), std::move(offsets), std::move(vertices));
    MeshData& data = *mesh.as<MeshData>();
    MeshUVSet& set = data.createUVSet("map1");
    set.u.resize(data.numVertices());
    set.v.resize(data.numVertices());
    for (int corner = 0; corner < data.numFaceVertices(); ++corner) {
        const int face = data.faceOfFaceVertex(corner);
        const int vertex = data.polygonVertices(face)[corner - data.faceVertexOffset(face)];
        // Faces left of every 64th column get their own copy of the column's UVs: a seam.
        const bool leftOfSeam = (vertex % (n + 1)) % 64 == 0 && (face / 2) % n < vertex % (n + 1);
        set.faceVertexUVs[corner] = vertex;
        if (leftOfSeam) {
            set.faceVertexUVs[corner] = static_cast<int>(set.u.size());
            set.u.push_back(0.0f);
            set.v.push_back(0.0f);
        }
    }
    return mesh;
}

UnwrapSettings benchmarkSettings() {
    UnwrapSettings settings = UnwrapSettings::commandDefaults();
    settings.keep_seams = true;
    settings.use_ridges = true;
    settings.ridge_angle = 20.0;
    settings.normalize();
    return settings;
}

void CollectorAndAdjacency(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const MObject mesh = wavyTriangleGrid(n);
    const UnwrapSettings settings = benchmarkSettings();
    size_t links = 0;
    for (auto _ : state) {
        MStatus status;
        std::vector<float> positions;
        std::vector<uint32_t> indices, cutMarks, falseEdges;
        MIntArray seamPairs;
        collectMeshData(settings, status, mesh, positions, indices, cutMarks, falseEdges, &seamPairs);
        const std::vector<uint32_t> adjacency = collectAdjacency(UnwrapMesh(positions, indices), cutMarks);
        links = adjacency.size() - std::count(adjacency.begin(), adjacency.end(), NIL);
        benchmark::DoNotOptimize(links);
    }
    state.counters["triangles"] = 2.0 * n * n;
    state.counters["links"] = static_cast<double>(links);
}

void CollectorOnly(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const MObject mesh = wavyTriangleGrid(n);
    const UnwrapSettings settings = benchmarkSettings();
    for (auto _ : state) {
        MStatus status;
        std::vector<float> positions;
        std::vector<uint32_t> indices, cutMarks, falseEdges;
        collectMeshData(settings, status, mesh, positions, indices, cutMarks, falseEdges, nullptr);
        benchmark::DoNotOptimize(cutMarks.data());
    }
}

void AdjacencyOnly(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const MObject mesh = wavyTriangleGrid(n);
    MStatus status;
    std::vector<float> positions;
    std::vector<uint32_t> indices, cutMarks, falseEdges;
    collectMeshData(benchmarkSettings(), status, mesh, positions, indices, cutMarks, falseEdges, nullptr);
    const UnwrapMesh triangles(positions, indices);
    for (auto _ : state) {
        std::vector<uint32_t> adjacency;
        benchmark::DoNotOptimize(computeTriangleAdjacency(triangles, adjacency));
    }
}

} // namespace

BENCHMARK(CollectorOnly)->Arg(708)->Arg(1416)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AdjacencyOnly)->Arg(708)->Arg(1416)->Unit(benchmark::kMillisecond)->UseRealTime();

// 250k, 1M and 4M triangles: 4x the triangles should cost under 5x the time.
BENCHMARK(CollectorAndAdjacency)->Arg(354)->Arg(708)->Arg(1416)->Unit(benchmark::kMillisecond)->UseRealTime();
