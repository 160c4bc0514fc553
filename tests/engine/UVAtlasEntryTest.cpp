#include "engine/UVAtlas.h"
#include "isochart/IsochartEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <thread>

namespace {

constexpr uint32_t None = 0xFFFFFFFFu;

struct TestMesh {
    std::vector<float> positions;
    std::vector<uint32_t> indices;
    std::vector<uint32_t> adjacency;
    std::vector<uint32_t> falseEdges; // the two triangles of every grid square form one polygon

    size_t vertexCount() const { return positions.size() / 3; }
    size_t triangleCount() const { return indices.size() / 3; }
};

std::vector<uint32_t> adjacencyOf(const std::vector<uint32_t>& indices) {
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> edges;
    for (uint32_t corner = 0; corner < indices.size(); ++corner)
        edges[{indices[corner], indices[corner / 3 * 3 + (corner + 1) % 3]}] = corner / 3;
    std::vector<uint32_t> adjacency(indices.size(), None);
    for (uint32_t corner = 0; corner < indices.size(); ++corner) {
        const auto across = edges.find({indices[corner / 3 * 3 + (corner + 1) % 3], indices[corner]});
        if (across != edges.end()) adjacency[corner] = across->second;
    }
    return adjacency;
}

// A flat n x n grid of squares, each split into two triangles along its diagonal.
TestMesh flatGrid(uint32_t n) {
    TestMesh mesh;
    for (uint32_t y = 0; y <= n; ++y)
        for (uint32_t x = 0; x <= n; ++x)
            mesh.positions.insert(mesh.positions.end(), {float(x), float(y), 0.0f});
    for (uint32_t y = 0; y < n; ++y)
        for (uint32_t x = 0; x < n; ++x) {
            const uint32_t a = y * (n + 1) + x, b = a + 1, c = a + n + 2, d = a + n + 1;
            mesh.indices.insert(mesh.indices.end(), {a, b, c, a, c, d});
        }
    mesh.adjacency = adjacencyOf(mesh.indices);
    mesh.falseEdges.assign(mesh.indices.size(), None);
    for (uint32_t triangle = 0; triangle < mesh.triangleCount(); triangle += 2) {
        mesh.falseEdges[3 * triangle + 2] = triangle + 1;
        mesh.falseEdges[3 * (triangle + 1)] = triangle;
    }
    return mesh;
}

struct Outputs {
    std::vector<UVAtlasVertex> vertices;
    std::vector<uint8_t> indexBuffer;
    std::vector<uint32_t> facePartition, vertexRemap, partitionAdjacency;
    float largestStretch = -1.0f;
    size_t chartCount = 99;
};

struct Call {
    const float* positions;
    size_t vertexCount;
    const void* indices;
    uint32_t indexFormat = UVATLAS_FORMAT_R32_UINT;
    size_t triangleCount;
    size_t maxChartCount = 0;
    float maxStretch = 0.15f;
    const uint32_t* adjacency;
    const uint32_t* falseEdges;
    UVAtlasProgress progress;
    float frequency = 0.1f;
    uint32_t options = 0;

    explicit Call(const TestMesh& mesh)
        : positions(mesh.positions.data()), vertexCount(mesh.vertexCount()), indices(mesh.indices.data()),
          triangleCount(mesh.triangleCount()), adjacency(mesh.adjacency.data()), falseEdges(mesh.falseEdges.data()) {}

    HRESULT run(Outputs& out) const {
        return UVAtlasPartition(positions, vertexCount, indices, indexFormat, triangleCount, maxChartCount, maxStretch,
                                adjacency, falseEdges, nullptr, progress, frequency, options, out.vertices,
                                out.indexBuffer, &out.facePartition, &out.vertexRemap, out.partitionAdjacency,
                                &out.largestStretch, &out.chartCount);
    }
    HRESULT run() const {
        Outputs out;
        return run(out);
    }
};

TEST(UVAtlasPartition, RefusesMissingSizesFormatsAndOverflowInOrder) {
    const TestMesh mesh = flatGrid(2);
    Call call(mesh);
    Outputs out;
    call.positions = nullptr;
    EXPECT_EQ(call.run(out), E_INVALIDARG);
    EXPECT_EQ(out.largestStretch, -1.0f) << "the out places are written only after the engine ran";
    call = Call(mesh);
    call.vertexCount = 0;
    EXPECT_EQ(call.run(), E_INVALIDARG);
    call = Call(mesh);
    call.indices = nullptr;
    EXPECT_EQ(call.run(), E_INVALIDARG);
    call = Call(mesh);
    call.triangleCount = 0;
    EXPECT_EQ(call.run(), E_INVALIDARG);
    call = Call(mesh);
    call.adjacency = nullptr;
    EXPECT_EQ(call.run(), E_INVALIDARG);

    call = Call(mesh);
    call.indexFormat = 43;
    EXPECT_EQ(call.run(), E_INVALIDARG);
    call.indexFormat = UVATLAS_FORMAT_R16_UINT;
    call.vertexCount = 65535;
    EXPECT_EQ(call.run(), E_INVALIDARG);
    call.indexFormat = UVATLAS_FORMAT_R32_UINT;
    call.vertexCount = 0xFFFFFFFFu;
    EXPECT_EQ(call.run(), E_INVALIDARG);

    // The count is refused before any array is read.
    call = Call(mesh);
    call.triangleCount = 0x55555555u;
    EXPECT_EQ(call.run(), E_ARITHMETIC_OVERFLOW);
    call.triangleCount = 0x55555554u;
    call.falseEdges = nullptr;
    call.vertexCount = 0xFFFFFFFFu;
    EXPECT_EQ(call.run(), E_INVALIDARG) << "the vertex count is checked before the triangle count";
}

TEST(UVAtlasPartition, RefusesInconsistentFalseEdgesAndAdjacency) {
    TestMesh mesh = flatGrid(2);
    // A false edge across a corner without a neighbour.
    TestMesh orphan = mesh;
    orphan.adjacency[3 * 0 + 2] = None;
    EXPECT_EQ(Call(orphan).run(), E_INVALID_DATA);

    // A neighbour that does not name the triangle back; only checked when false edges are given.
    TestMesh oneSided = mesh;
    const uint32_t above = oneSided.adjacency[3 * 1 + 1];
    ASSERT_NE(above, None);
    oneSided.adjacency[3 * 1 + 1] = None;
    EXPECT_EQ(Call(oneSided).run(), E_INVALID_DATA);
    Call lenient(oneSided);
    lenient.falseEdges = nullptr;
    Outputs out;
    EXPECT_EQ(lenient.run(out), S_OK);
    for (uint32_t corner = 0; corner < 3; ++corner)
        EXPECT_NE(out.partitionAdjacency[3 * above + corner], 1u) << "a one-sided link is no edge";

    // A neighbour beyond the triangles is bad data with or without false edges.
    TestMesh beyond = mesh;
    beyond.adjacency[0] = 1000;
    EXPECT_EQ(Call(beyond).run(), E_INVALID_DATA);
    Call beyondWithout(beyond);
    beyondWithout.falseEdges = nullptr;
    EXPECT_EQ(beyondWithout.run(), E_INVALID_DATA);

    // Bad vertex data is refused rather than flattened into garbage.
    TestMesh badIndex = mesh;
    badIndex.indices[4] = 1000;
    EXPECT_EQ(Call(badIndex).run(), E_INVALIDARG);
    TestMesh badPosition = mesh;
    badPosition.positions[4] = NAN;
    EXPECT_EQ(Call(badPosition).run(), E_INVALIDARG);
}

TEST(UVAtlasPartition, RefusesBadFrequencyStretchAndOptionsBeforeAnyWork) {
    const TestMesh mesh = flatGrid(2);
    int calls = 0;
    Call call(mesh);
    call.progress = [&](float) {
        ++calls;
        return S_OK;
    };
    for (const float frequency : {1.5f, -0.1f, NAN}) {
        call.frequency = frequency;
        EXPECT_EQ(call.run(), E_INVALIDARG);
    }
    EXPECT_EQ(calls, 0);
    call.frequency = 0.1f;
    for (const float stretch : {1.5f, -0.01f, NAN}) {
        call.maxStretch = stretch;
        Outputs out;
        EXPECT_EQ(call.run(out), E_INVALIDARG);
        EXPECT_EQ(out.largestStretch, 0.0f);
        EXPECT_EQ(out.chartCount, 0u);
        EXPECT_TRUE(out.vertices.empty());
    }
    call.maxStretch = 0.15f;
    call.options = 3;
    EXPECT_EQ(call.run(), E_INVALIDARG);

    // Without a progress function the frequency is not looked at.
    Call silent(mesh);
    silent.frequency = 1.5f;
    EXPECT_EQ(silent.run(), S_OK);
}

// The outputs describe the same mesh cut along the chart borders.
void expectConsistentOutputs(const TestMesh& mesh, const Outputs& out, size_t indexBytes) {
    ASSERT_EQ(out.indexBuffer.size(), indexBytes * mesh.indices.size());
    ASSERT_EQ(out.vertexRemap.size(), out.vertices.size());
    ASSERT_EQ(out.facePartition.size(), mesh.triangleCount());
    ASSERT_EQ(out.partitionAdjacency.size(), mesh.indices.size());
    for (size_t vertex = 0; vertex < out.vertices.size(); ++vertex) {
        ASSERT_LT(out.vertexRemap[vertex], mesh.vertexCount());
        const float* position = &mesh.positions[3 * out.vertexRemap[vertex]];
        EXPECT_EQ(out.vertices[vertex].position.x, position[0]);
        EXPECT_EQ(out.vertices[vertex].position.y, position[1]);
        EXPECT_EQ(out.vertices[vertex].position.z, position[2]);
    }
    for (size_t corner = 0; corner < mesh.indices.size(); ++corner) {
        uint32_t index = 0;
        std::memcpy(&index, &out.indexBuffer[indexBytes * corner], indexBytes);
        ASSERT_LT(index, out.vertices.size());
        EXPECT_EQ(out.vertexRemap[index], mesh.indices[corner]);
        const uint32_t neighbour = out.partitionAdjacency[corner];
        if (neighbour == None) continue;
        EXPECT_EQ(out.facePartition[neighbour], out.facePartition[corner / 3]);
        EXPECT_EQ(mesh.adjacency[corner], neighbour);
        const uint32_t* back = &out.partitionAdjacency[3 * neighbour];
        EXPECT_TRUE(back[0] == corner / 3 || back[1] == corner / 3 || back[2] == corner / 3);
    }
}

TEST(UVAtlasPartition, ExportsTheCutMeshInBothIndexFormats) {
    const TestMesh mesh = flatGrid(6);
    Outputs out;
    Call call(mesh);
    call.maxChartCount = 10000; // more than the triangles: behaves as the triangle count
    ASSERT_EQ(call.run(out), S_OK);
    EXPECT_GE(out.chartCount, 1u);
    EXPECT_LE(out.chartCount, mesh.triangleCount());
    EXPECT_GE(out.largestStretch, 0.0f);
    EXPECT_LE(out.largestStretch, 0.15f * 1.001f);
    expectConsistentOutputs(mesh, out, 4);

    std::vector<uint16_t> narrow(mesh.indices.begin(), mesh.indices.end());
    Call call16(mesh);
    call16.indices = narrow.data();
    call16.indexFormat = UVATLAS_FORMAT_R16_UINT;
    Outputs out16;
    ASSERT_EQ(call16.run(out16), S_OK);
    expectConsistentOutputs(mesh, out16, 2);

    // The partition's output is the pack entry's input.
    ASSERT_EQ(UVAtlasPack(out.vertices, out.indexBuffer, UVATLAS_FORMAT_R32_UINT, 64, 64, 1.0f, out.partitionAdjacency,
                          nullptr, 0.1f),
              S_OK);
    for (const UVAtlasVertex& vertex : out.vertices) {
        EXPECT_TRUE(vertex.uv.x >= 0.0f && vertex.uv.x <= 1.0f);
        EXPECT_TRUE(vertex.uv.y >= 0.0f && vertex.uv.y <= 1.0f);
    }
}

TEST(UVAtlasPartition, ReportsProgressAndStopsWhenTheFunctionAsks) {
    const TestMesh mesh = flatGrid(8);
    std::vector<float> fractions;
    Call call(mesh);
    call.frequency = 0.0f;
    call.progress = [&](float fraction) {
        fractions.push_back(fraction);
        return S_OK;
    };
    ASSERT_EQ(call.run(), S_OK);
    ASSERT_FALSE(fractions.empty());
    EXPECT_GE(fractions.front(), 0.5f) << "initialisation is one of two stages";
    EXPECT_EQ(fractions.back(), 1.0f);
    for (size_t i = 1; i < fractions.size(); ++i)
        EXPECT_GE(fractions[i], fractions[i - 1]);

    // Calls are spaced by the frequency: at 1 only the start and the end of the work remain.
    fractions.clear();
    call.frequency = 1.0f;
    ASSERT_EQ(call.run(), S_OK);
    EXPECT_EQ(fractions.size(), 2u);

    // With a chart limit there are three stages, the first done by initialisation.
    fractions.clear();
    call.maxChartCount = 4;
    ASSERT_EQ(call.run(), S_OK);
    EXPECT_NEAR(fractions.front(), 1.0f / 3.0f, 1e-6f);

    int calls = 0;
    call.progress = [&](float) {
        ++calls;
        return static_cast<HRESULT>(-1);
    };
    Outputs out;
    EXPECT_TRUE(FAILED(call.run(out)));
    EXPECT_EQ(calls, 1) << "the first negative status stops the work";
    EXPECT_TRUE(out.vertices.empty() && out.indexBuffer.empty() && out.partitionAdjacency.empty());
    EXPECT_EQ(out.chartCount, 0u);
}

TEST(UVAtlasPack, RefusesBadSizesArraysAndAdjacencyLength) {
    std::vector<UVAtlasVertex> vertices = {{{0, 0, 0}, {0, 0}}, {{0, 0, 0}, {1, 0}}, {{0, 0, 0}, {0, 1}}};
    const std::vector<uint32_t> indices = {0, 1, 2};
    std::vector<uint8_t> buffer(12);
    std::memcpy(buffer.data(), indices.data(), 12);
    const std::vector<uint32_t> adjacency(3, None);
    auto pack = [&](size_t width, size_t height, const std::vector<uint32_t>& links,
                    uint32_t format = UVATLAS_FORMAT_R32_UINT) {
        return UVAtlasPack(vertices, buffer, format, width, height, 1.0f, links, nullptr, 0.1f);
    };
    EXPECT_EQ(pack(0, 16, adjacency), E_INVALIDARG);
    EXPECT_EQ(pack(16, 0, adjacency), E_INVALIDARG);
    EXPECT_EQ(pack(size_t{0x100000000}, 16, adjacency), E_INVALIDARG);
    EXPECT_EQ(pack(16, 16, std::vector<uint32_t>(4, None)), E_INVALIDARG);
    EXPECT_EQ(pack(16, 16, {}), E_INVALIDARG);
    EXPECT_EQ(pack(16, 16, adjacency, 43), E_INVALIDARG);
    EXPECT_EQ(pack(16, 16, adjacency), S_OK);

    // Trailing bytes of the index buffer are ignored.
    buffer.push_back(7);
    EXPECT_EQ(pack(16, 16, adjacency), S_OK);

    const std::vector<uint8_t> none;
    EXPECT_EQ(UVAtlasPack(vertices, none, UVATLAS_FORMAT_R32_UINT, 16, 16, 1.0f, adjacency, nullptr, 0.1f),
              E_INVALIDARG);
    std::vector<UVAtlasVertex> noVertices;
    EXPECT_EQ(UVAtlasPack(noVertices, buffer, UVATLAS_FORMAT_R32_UINT, 16, 16, 1.0f, adjacency, nullptr, 0.1f),
              E_INVALIDARG);
    std::vector<UVAtlasVertex> many(65535, vertices[0]);
    EXPECT_EQ(
        UVAtlasPack(many, buffer, UVATLAS_FORMAT_R16_UINT, 16, 16, 1.0f, std::vector<uint32_t>(6, None), nullptr, 0.1f),
        E_INVALIDARG);
    const UVAtlasProgress progress = [](float) { return S_OK; };
    EXPECT_EQ(UVAtlasPack(vertices, buffer, UVATLAS_FORMAT_R32_UINT, 16, 16, 1.0f, adjacency, progress, 1.5f),
              E_INVALIDARG);
}

TEST(IsochartEngine, ServesOnlyTheThreadThatCreatedIt) {
    const TestMesh mesh = flatGrid(2);
    std::unique_ptr<Isochart::IIsochartEngine> engine = Isochart::IIsochartEngine::create();
    ASSERT_TRUE(engine);
    auto initialise = [&] {
        return engine->Initialize(mesh.positions.data(), mesh.vertexCount(), 12, Isochart::IndexFormatR32,
                                  mesh.indices.data(), mesh.triangleCount(), nullptr, mesh.adjacency.data(), nullptr,
                                  0);
    };
    HRESULT fromOther = S_OK;
    std::thread other([&] { fromOther = initialise(); });
    other.join();
    EXPECT_EQ(fromOther, E_ABORT);
    std::thread freeing([&] { fromOther = engine->Free(); });
    freeing.join();
    EXPECT_EQ(fromOther, E_ABORT);

    // The creating thread takes the lock again and again.
    size_t charts = 0;
    float stretch = 0;
    EXPECT_EQ(engine->Partition(0, 0.5f, charts, stretch), E_UNEXPECTED) << "not initialised";
    EXPECT_EQ(initialise(), S_OK);
    EXPECT_EQ(initialise(), E_UNEXPECTED);
    Isochart::PartitionOutputs outputs;
    EXPECT_EQ(engine->ExportPartitionResult(outputs), E_POINTER);
    std::vector<UVAtlasVertex> vertices;
    std::vector<uint8_t> indexBuffer;
    std::vector<uint32_t> partitionAdjacency;
    outputs = {&vertices, &indexBuffer, nullptr, nullptr, &partitionAdjacency};
    EXPECT_EQ(engine->ExportPartitionResult(outputs), E_UNEXPECTED) << "not partitioned";
    EXPECT_EQ(engine->Partition(0, 0.5f, charts, stretch), S_OK);
    EXPECT_EQ(engine->ExportPartitionResult(outputs), S_OK);
    EXPECT_EQ(engine->Free(), S_OK);
    EXPECT_EQ(initialise(), S_OK) << "a freed engine can be initialised again";

    // An engine made on another thread refuses this one.
    std::unique_ptr<Isochart::IIsochartEngine> foreign;
    std::thread maker([&] { foreign = Isochart::IIsochartEngine::create(); });
    maker.join();
    ASSERT_TRUE(foreign);
    EXPECT_EQ(foreign->SetStage(2, 0), E_ABORT);
}

} // namespace
