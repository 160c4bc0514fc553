#include "TriangleGaps.h"
#include "engine/UVAtlas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace {

constexpr uint32_t None = 0xFFFFFFFFu;

// Charts made of quads (two triangles sharing a diagonal), all starting at the uv origin so
// that they overlap before packing.
struct ChartSoup {
    std::vector<UVAtlasVertex> vertices;
    std::vector<uint32_t> indices;
    std::vector<uint32_t> adjacency;
};

void addQuad(ChartSoup& soup, float width, float height, float skew) {
    const auto base = static_cast<uint32_t>(soup.vertices.size());
    const auto triangle = static_cast<uint32_t>(soup.indices.size() / 3);
    soup.vertices.push_back({{0, 0, 0}, {0, 0}});
    soup.vertices.push_back({{0, 0, 0}, {width, skew}});
    soup.vertices.push_back({{0, 0, 0}, {width, height + skew}});
    soup.vertices.push_back({{0, 0, 0}, {0, height}});
    soup.indices.insert(soup.indices.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
    // The diagonal is corner 2 of the first triangle (2 -> 0) and corner 0 of the second (0 -> 2).
    soup.adjacency.insert(soup.adjacency.end(), {None, None, triangle + 1, triangle, None, None});
}

ChartSoup randomQuads(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> size(0.05f, 1.0f), skew(-0.3f, 0.3f);
    ChartSoup soup;
    for (size_t i = 0; i < count; ++i)
        addQuad(soup, size(random), size(random), skew(random));
    return soup;
}

std::vector<uint8_t> indexBuffer32(const std::vector<uint32_t>& indices) {
    std::vector<uint8_t> buffer(4 * indices.size());
    std::memcpy(buffer.data(), indices.data(), buffer.size());
    return buffer;
}

// Smallest texel distance between triangles of different quads (every quad is one chart).
// Triangles are swept in order of their left edge, so pairs farther apart than the smallest
// gap so far are never measured.
double smallestChartGap(const ChartSoup& soup, double width, double height) {
    auto corner = [&](size_t triangle, int k) {
        const UVAtlasVertex& v = soup.vertices[soup.indices[3 * triangle + k]];
        return P{v.uv.x * width, v.uv.y * height};
    };
    const size_t triangles = soup.indices.size() / 3;
    std::vector<size_t> order(triangles);
    std::vector<double> left(triangles), right(triangles);
    for (size_t t = 0; t < triangles; ++t) {
        order[t] = t;
        left[t] = std::min({corner(t, 0).x, corner(t, 1).x, corner(t, 2).x});
        right[t] = std::max({corner(t, 0).x, corner(t, 1).x, corner(t, 2).x});
    }
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return left[a] < left[b]; });
    double gap = INFINITY;
    for (size_t i = 0; i < triangles; ++i)
        for (size_t j = i + 1; j < triangles && left[order[j]] - right[order[i]] < gap; ++j) {
            const size_t a = order[i], b = order[j];
            if (a / 2 == b / 2) continue;
            const P s[3] = {corner(a, 0), corner(a, 1), corner(a, 2)},
                    t[3] = {corner(b, 0), corner(b, 1), corner(b, 2)};
            gap = std::min(gap, triangleDistance(s, t));
        }
    return gap;
}

double uvLength(const UVAtlasVertex& a, const UVAtlasVertex& b, double width, double height) {
    return std::hypot((a.uv.x - b.uv.x) * width, (a.uv.y - b.uv.y) * height);
}

TEST(ChartAtlasPacker, PlacesChartsApartWithTheGutterAtOneScaleWithoutFlips) {
    for (const float gutter : {0.0f, 2.0f, 3.5f}) {
        const ChartSoup before = randomQuads(40, 7);
        ChartSoup after = before;
        const size_t width = 256, height = 128;
        ASSERT_EQ(UVAtlasPack(after.vertices, indexBuffer32(after.indices), UVATLAS_FORMAT_R32_UINT, width, height,
                              gutter, after.adjacency, nullptr, 0.1f),
                  S_OK);
        for (const UVAtlasVertex& vertex : after.vertices) {
            EXPECT_GE(vertex.uv.x, 0.0f);
            EXPECT_LE(vertex.uv.x, 1.0f);
            EXPECT_GE(vertex.uv.y, 0.0f);
            EXPECT_LE(vertex.uv.y, 1.0f);
        }
        const double gap = smallestChartGap(after, width, height);
        EXPECT_GT(gap, 0.0) << "charts overlap or touch";
        EXPECT_GE(gap, gutter) << "gutter " << gutter;

        // Every chart keeps its shape, its orientation and one common scale.
        double scale = 0.0;
        double covered = 0.0;
        for (size_t triangle = 0; triangle < before.indices.size() / 3; ++triangle) {
            const uint32_t* c = &before.indices[3 * triangle];
            const double original = uvLength(before.vertices[c[0]], before.vertices[c[1]], 1, 1);
            const double packed = uvLength(after.vertices[c[0]], after.vertices[c[1]], width, height);
            if (scale == 0.0) scale = packed / original;
            EXPECT_NEAR(packed / original, scale, 1e-3 * scale);
            auto area = [&](const std::vector<UVAtlasVertex>& v, double w, double h) {
                const P a{v[c[0]].uv.x * w, v[c[0]].uv.y * h}, b{v[c[1]].uv.x * w, v[c[1]].uv.y * h},
                    d{v[c[2]].uv.x * w, v[c[2]].uv.y * h};
                return orient(a, b, d) / 2;
            };
            EXPECT_GT(area(before.vertices, 1, 1) * area(after.vertices, width, height), 0.0) << "flipped";
            covered += std::abs(area(after.vertices, width, height));
        }
        // A raster packer with few turns still fills a good part of the texture with quads.
        EXPECT_GT(covered / (width * height), gutter == 0.0f ? 0.5 : 0.3) << "gutter " << gutter;
    }
}

TEST(ChartAtlasPacker, PacksThousandsOfChartsApartWithTheGutter) {
    // Enough charts that the scale is first estimated from places near the top rows only.
    ChartSoup soup = randomQuads(2100, 12);
    const size_t side = 512;
    ASSERT_EQ(UVAtlasPack(soup.vertices, indexBuffer32(soup.indices), UVATLAS_FORMAT_R32_UINT, side, side, 2.0f,
                          soup.adjacency, nullptr, 0.1f),
              S_OK);
    EXPECT_GE(smallestChartGap(soup, side, side), 2.0);
    double covered = 0.0;
    for (size_t t = 0; t < soup.indices.size(); t += 3) {
        const UVAtlasVertex *a = &soup.vertices[soup.indices[t]], *b = &soup.vertices[soup.indices[t + 1]],
                            *c = &soup.vertices[soup.indices[t + 2]];
        for (const UVAtlasVertex* v : {a, b, c})
            EXPECT_TRUE(v->uv.x >= 0.0f && v->uv.x <= 1.0f && v->uv.y >= 0.0f && v->uv.y <= 1.0f);
        covered += std::abs(orient({a->uv.x, a->uv.y}, {b->uv.x, b->uv.y}, {c->uv.x, c->uv.y})) / 2;
    }
    EXPECT_GT(covered, 0.3);
}

TEST(ChartAtlasPacker, KeepsTheGutterInTexelsOnTexturesLargerThanItsGrid) {
    // Wider than the packing grid: cells of several texels across, one texel high.
    const size_t width = 20000, height = 300;
    ChartSoup soup = randomQuads(30, 9);
    ASSERT_EQ(UVAtlasPack(soup.vertices, indexBuffer32(soup.indices), UVATLAS_FORMAT_R32_UINT, width, height, 2.0f,
                          soup.adjacency, nullptr, 0.1f),
              S_OK);
    EXPECT_GE(smallestChartGap(soup, width, height), 2.0);
    for (const UVAtlasVertex& vertex : soup.vertices)
        EXPECT_TRUE(vertex.uv.x <= 1.0f && vertex.uv.y <= 1.0f);
}

TEST(ChartAtlasPacker, FailsCleanlyWhenTheChartsCannotFit) {
    ChartSoup soup = randomQuads(100, 3);
    const std::vector<UVAtlasVertex> original = soup.vertices;
    const HRESULT result = UVAtlasPack(soup.vertices, indexBuffer32(soup.indices), UVATLAS_FORMAT_R32_UINT, 8, 8, 2.0f,
                                       soup.adjacency, nullptr, 0.1f);
    EXPECT_TRUE(FAILED(result));
    EXPECT_EQ(0, std::memcmp(original.data(), soup.vertices.data(), original.size() * sizeof(UVAtlasVertex)));

    // One chart with a gutter wider than the texture still fits: the gutter lies between charts.
    ChartSoup single;
    addQuad(single, 1.0f, 2.0f, 0.0f);
    EXPECT_EQ(UVAtlasPack(single.vertices, indexBuffer32(single.indices), UVATLAS_FORMAT_R32_UINT, 4, 4, 100.0f,
                          single.adjacency, nullptr, 0.1f),
              S_OK);
    // Two charts cannot both fit beside such a gutter.
    addQuad(single, 1.0f, 1.0f, 0.0f);
    EXPECT_TRUE(FAILED(UVAtlasPack(single.vertices, indexBuffer32(single.indices), UVATLAS_FORMAT_R32_UINT, 4, 4,
                                   100.0f, single.adjacency, nullptr, 0.1f)));
}

TEST(ChartAtlasPacker, MovesVerticesSharedAcrossACutTogetherAndRefusesBadUVs) {
    // Two triangles sharing a vertex but not an edge (their link is cut): one uv cannot be in
    // two places, so they must stay together.
    std::vector<UVAtlasVertex> vertices = {{{0, 0, 0}, {0, 0}},  {{0, 0, 0}, {1, 0}},  {{0, 0, 0}, {0, 1}},
                                           {{0, 0, 0}, {-1, 0}}, {{0, 0, 0}, {0, -1}}, {{0, 0, 0}, {7, 9}}};
    const std::vector<uint32_t> indices = {0, 1, 2, 0, 3, 4};
    const std::vector<uint32_t> adjacency(6, None);
    ASSERT_EQ(
        UVAtlasPack(vertices, indexBuffer32(indices), UVATLAS_FORMAT_R32_UINT, 64, 64, 1.0f, adjacency, nullptr, 0.1f),
        S_OK);
    const double first = uvLength(vertices[0], vertices[1], 64, 64),
                 second = uvLength(vertices[0], vertices[3], 64, 64);
    EXPECT_NEAR(first, second, 1e-3 * first);
    EXPECT_EQ(vertices[5].uv.x, 0.0f) << "an unused vertex stays inside the texture";
    EXPECT_EQ(vertices[5].uv.y, 0.0f);

    vertices[2].uv.x = NAN;
    EXPECT_EQ(
        UVAtlasPack(vertices, indexBuffer32(indices), UVATLAS_FORMAT_R32_UINT, 64, 64, 1.0f, adjacency, nullptr, 0.1f),
        E_INVALIDARG);
    vertices[2].uv.x = 0;
    EXPECT_EQ(
        UVAtlasPack(vertices, indexBuffer32(indices), UVATLAS_FORMAT_R32_UINT, 64, 64, -1.0f, adjacency, nullptr, 0.1f),
        E_INVALIDARG);
    const std::vector<uint32_t> outOfRange = {0, 1, 2, 0, 3, 9};
    EXPECT_EQ(UVAtlasPack(vertices, indexBuffer32(outOfRange), UVATLAS_FORMAT_R32_UINT, 64, 64, 1.0f, adjacency,
                          nullptr, 0.1f),
              E_INVALIDARG);
}

TEST(ChartAtlasPacker, PacksSixteenBitIndicesAndStopsWhenAsked) {
    ChartSoup soup = randomQuads(10, 5);
    std::vector<uint8_t> buffer(2 * soup.indices.size());
    for (size_t i = 0; i < soup.indices.size(); ++i) {
        const auto index = static_cast<uint16_t>(soup.indices[i]);
        std::memcpy(&buffer[2 * i], &index, 2);
    }
    ChartSoup packed = soup;
    EXPECT_EQ(
        UVAtlasPack(packed.vertices, buffer, UVATLAS_FORMAT_R16_UINT, 128, 128, 1.0f, packed.adjacency, nullptr, 0.1f),
        S_OK);
    EXPECT_GE(smallestChartGap(packed, 128, 128), 1.0);

    std::vector<float> fractions;
    const UVAtlasProgress stop = [&](float fraction) {
        fractions.push_back(fraction);
        return fractions.size() < 2 ? S_OK : E_ABORT;
    };
    packed = soup;
    EXPECT_TRUE(FAILED(
        UVAtlasPack(packed.vertices, buffer, UVATLAS_FORMAT_R16_UINT, 128, 128, 1.0f, packed.adjacency, stop, 0.0f)));
    EXPECT_EQ(fractions.size(), 2u);
    EXPECT_EQ(0,
              std::memcmp(soup.vertices.data(), packed.vertices.data(), soup.vertices.size() * sizeof(UVAtlasVertex)));
}

} // namespace
