#include "TriangleGaps.h"
#include "engine/UVAtlas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>

namespace {

constexpr uint32_t None = 0xFFFFFFFFu;

// A flat mesh of unit grid squares (each one polygon of two triangles) where `inside` holds
// at the square's centre.
struct FlatShape {
    std::vector<float> positions;
    std::vector<uint32_t> indices, adjacency, falseEdges;
};

FlatShape gridShape(int columns, int rows, double cell, const std::function<bool(double, double)>& inside) {
    FlatShape shape;
    std::map<std::pair<int, int>, uint32_t> vertexOf;
    auto vertex = [&](int i, int j) {
        const auto [place, added] = vertexOf.try_emplace({i, j}, uint32_t(shape.positions.size() / 3));
        if (added) shape.positions.insert(shape.positions.end(), {float(i * cell), float(j * cell), 0.0f});
        return place->second;
    };
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            if (!inside((i + 0.5) * cell, (j + 0.5) * cell)) continue;
            const uint32_t a = vertex(i, j), b = vertex(i + 1, j), c = vertex(i + 1, j + 1), d = vertex(i, j + 1);
            const auto first = uint32_t(shape.indices.size() / 3);
            shape.indices.insert(shape.indices.end(), {a, b, c, a, c, d});
            shape.falseEdges.insert(shape.falseEdges.end(), {None, None, first + 1, first, None, None});
        }
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> edges;
    for (uint32_t corner = 0; corner < shape.indices.size(); ++corner)
        edges[{shape.indices[corner], shape.indices[corner / 3 * 3 + (corner + 1) % 3]}] = corner / 3;
    shape.adjacency.assign(shape.indices.size(), None);
    for (uint32_t corner = 0; corner < shape.indices.size(); ++corner) {
        const auto across = edges.find({shape.indices[corner / 3 * 3 + (corner + 1) % 3], shape.indices[corner]});
        if (across != edges.end()) shape.adjacency[corner] = across->second;
    }
    return shape;
}

// A cat seen from the side: body, head, ears, four legs and a curled tail.
bool insideSilhouette(double x, double y) {
    auto ellipse = [&](double cx, double cy, double rx, double ry) {
        return std::pow((x - cx) / rx, 2) + std::pow((y - cy) / ry, 2) <= 1.0;
    };
    auto box = [&](double x0, double y0, double x1, double y1) { return x0 <= x && x <= x1 && y0 <= y && y <= y1; };
    const bool tail = std::abs(y - (0.55 + 0.25 * std::sin(6.0 * (x - 0.05)))) < 0.03 && x >= 0.02 && x <= 0.3;
    return ellipse(0.5, 0.45, 0.25, 0.12) || ellipse(0.8, 0.62, 0.1, 0.09) || box(0.75, 0.66, 0.78, 0.78) ||
           box(0.83, 0.66, 0.86, 0.78) || box(0.3, 0.1, 0.35, 0.4) || box(0.4, 0.1, 0.45, 0.4) ||
           box(0.58, 0.1, 0.63, 0.4) || box(0.66, 0.1, 0.71, 0.4) || tail;
}

struct PackedLayout {
    std::vector<UVAtlasVertex> vertices;
    std::vector<uint8_t> indexBuffer;
    std::vector<uint32_t> chartOf;
    size_t chartCount = 0;
};

// Partitions and packs a mesh as the proxy does, 2 texels of gutter on a 512 x 512 texture.
PackedLayout unwrapAndPack(const FlatShape& shape, float maxStretch) {
    PackedLayout layout;
    std::vector<uint32_t> remap, partitionAdjacency;
    float stretch = 0.0f;
    const HRESULT partitioned =
        UVAtlasPartition(shape.positions.data(), shape.positions.size() / 3, shape.indices.data(),
                         UVATLAS_FORMAT_R32_UINT, shape.indices.size() / 3, 0, maxStretch, shape.adjacency.data(),
                         shape.falseEdges.data(), nullptr, nullptr, 0.1f, 0, layout.vertices, layout.indexBuffer,
                         &layout.chartOf, &remap, partitionAdjacency, &stretch, &layout.chartCount);
    EXPECT_EQ(partitioned, S_OK);
    EXPECT_LE(stretch, maxStretch);
    EXPECT_EQ(UVAtlasPack(layout.vertices, layout.indexBuffer, UVATLAS_FORMAT_R32_UINT, 512, 512, 2.0f,
                          partitionAdjacency, nullptr, 0.1f),
              S_OK);
    return layout;
}

P texel(const PackedLayout& layout, size_t triangle, int k) {
    uint32_t index;
    std::memcpy(&index, &layout.indexBuffer[4 * (3 * triangle + k)], sizeof index);
    return {layout.vertices[index].uv.x * 512.0, layout.vertices[index].uv.y * 512.0};
}

// Share of the texture the charts cover; fails the test when two triangles of different
// charts come closer than the gutter or any triangle is flipped.
double checkedEfficiency(const PackedLayout& layout) {
    const size_t triangles = layout.chartOf.size();
    std::vector<std::array<P, 3>> corners(triangles);
    double covered = 0.0;
    for (size_t t = 0; t < triangles; ++t) {
        for (int k = 0; k < 3; ++k)
            corners[t][k] = texel(layout, t, k);
        const double area = orient(corners[t][0], corners[t][1], corners[t][2]) / 2.0;
        EXPECT_GT(area, 0.0) << "triangle " << t << " flipped";
        covered += area;
    }
    for (size_t a = 0; a < triangles; ++a)
        for (size_t b = a + 1; b < triangles; ++b) {
            if (layout.chartOf[a] == layout.chartOf[b]) continue;
            const auto &s = corners[a], &t = corners[b];
            // Triangles whose boxes lie more than the gutter apart cannot be too close.
            auto apart = [&](auto coordinate) {
                const double sLow = std::min({coordinate(s[0]), coordinate(s[1]), coordinate(s[2])});
                const double sHigh = std::max({coordinate(s[0]), coordinate(s[1]), coordinate(s[2])});
                const double tLow = std::min({coordinate(t[0]), coordinate(t[1]), coordinate(t[2])});
                const double tHigh = std::max({coordinate(t[0]), coordinate(t[1]), coordinate(t[2])});
                return sLow > tHigh + 2.0 || tLow > sHigh + 2.0;
            };
            if (apart([](P p) { return p.x; }) || apart([](P p) { return p.y; })) continue;
            const P first[3] = {s[0], s[1], s[2]}, second[3] = {t[0], t[1], t[2]};
            EXPECT_GE(triangleDistance(first, second), 2.0 - 1e-3) << "triangles " << a << " and " << b;
        }
    return covered / (512.0 * 512.0);
}

} // namespace

TEST(EngineLayout, LongStripsAndFlatCutOutsFillTheTextureTheSameWayEveryRun) {
    const struct {
        const char* name;
        FlatShape shape;
        float limit;
    } cases[] = {
        {"strip 200 x 1", gridShape(100, 1, 2.0, [](double, double) { return true; }), 0.0f},
        {"strip 60 x 0.5", gridShape(120, 1, 0.5, [](double, double) { return true; }), 0.15f},
        {"silhouette", gridShape(32, 32, 1.0 / 32, insideSilhouette), 0.15f},
    };
    std::vector<PackedLayout> layouts;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        layouts.push_back(unwrapAndPack(c.shape, c.limit));
        EXPECT_GT(checkedEfficiency(layouts.back()), 0.4);
    }
    const PackedLayout &first = layouts.back(), second = unwrapAndPack(cases[2].shape, 0.15f);
    ASSERT_EQ(first.vertices.size(), second.vertices.size());
    EXPECT_EQ(std::memcmp(first.vertices.data(), second.vertices.data(), first.vertices.size() * sizeof(UVAtlasVertex)),
              0);
    EXPECT_EQ(first.indexBuffer, second.indexBuffer);
}
