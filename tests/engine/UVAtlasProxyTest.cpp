#include "FreeTexels.h"
#include "engine/UVAtlasProxy.h"
#include "core/VarnelleException.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

struct Square {
    float x, y, side;
};

// Square charts, two triangles each (a b c, a c d) joined across their diagonal, with the
// UVs and the positions both at the square's place.
UnwrapMesh squareCharts(const std::vector<Square>& squares, std::vector<uint32_t>& adjacency) {
    UnwrapMesh mesh;
    adjacency.clear();
    for (const Square& s : squares) {
        const uint32_t a = static_cast<uint32_t>(mesh.uvCount());
        const uint32_t t = static_cast<uint32_t>(mesh.uvIndexCount() / 3);
        for (const auto& [u, v] : {std::pair{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}}) {
            mesh.uvs.insert(mesh.uvs.end(), {s.x + u * s.side, s.y + v * s.side, 0.0f});
            mesh.positions.insert(mesh.positions.end(), {s.x + u * s.side, s.y + v * s.side, 0.0f});
        }
        mesh.uv_indices.insert(mesh.uv_indices.end(), {a, a + 1, a + 2, a, a + 2, a + 3});
        adjacency.insert(adjacency.end(), {NIL, NIL, t + 1, t, NIL, NIL});
    }
    mesh.indices = mesh.uv_indices;
    return mesh;
}

UnwrapSettings settingsFor(int32_t packMode) {
    UnwrapSettings settings = UnwrapSettings::commandDefaults();
    settings.pack_mode = packMode;
    settings.normalize();
    return settings;
}

struct Box {
    float lowU, lowV, highU, highV;
};

// The UV box of every chart of `squareCharts` (four UVs each, in order).
std::vector<Box> chartBoxes(const UnwrapMesh& mesh) {
    std::vector<Box> boxes;
    for (size_t first = 0; first < mesh.uv_indices.size(); first += 6) {
        Box box{1e30f, 1e30f, -1e30f, -1e30f};
        for (size_t corner = first; corner < first + 6; ++corner) {
            const float* uv = &mesh.uvs[3 * size_t{mesh.uv_indices[corner]}];
            box = {std::min(box.lowU, uv[0]), std::min(box.lowV, uv[1]), std::max(box.highU, uv[0]),
                   std::max(box.highV, uv[1])};
        }
        boxes.push_back(box);
    }
    return boxes;
}

const UVAtlasProgress noProgress = [](float) { return S_OK; };

// Packs the charts as an unwrap run does: packed, fitted into the unit square, padded.
void packLikeARun(const UnwrapSettings& settings, const std::vector<uint32_t>& adjacency, UnwrapMesh& mesh) {
    UVAtlasProxy proxy;
    proxy.setSettings(settings);
    proxy.packCharts(mesh, adjacency, noProgress);
    proxy.normalizeToUnitSquare(mesh);
    proxy.applyPadding(mesh);
}

void expectApart(const std::vector<Box>& boxes, float gap) {
    for (size_t i = 0; i < boxes.size(); ++i)
        for (size_t j = i + 1; j < boxes.size(); ++j) {
            const Box& a = boxes[i];
            const Box& b = boxes[j];
            const bool apart = a.highU + gap <= b.lowU || b.highU + gap <= a.lowU || a.highV + gap <= b.lowV ||
                               b.highV + gap <= a.lowV;
            EXPECT_TRUE(apart) << "charts " << i << " and " << j;
        }
}

template <typename Call>
void expectRaises(const ErrorSite& site, Call&& call) {
    try {
        call();
        ADD_FAILURE() << "no exception";
    } catch (const VarnelleException& error) {
        EXPECT_EQ(error.message, site.message);
        EXPECT_STREQ(error.file, site.file);
        EXPECT_EQ(error.line, site.line);
    }
}

} // namespace

TEST(UVAtlasProxy, UnwrapsChartsAndReportsTheEngineFailure) {
    std::vector<uint32_t> adjacency;
    const UnwrapMesh source = squareCharts({{0, 0, 1}, {3, 0, 2}}, adjacency);
    UVAtlasProxy proxy;
    proxy.setSettings(settingsFor(1));
    UnwrapMesh result;
    std::vector<uint32_t> remap, partitionAdjacency;
    ASSERT_TRUE(proxy.unwrapCharts(source, result, remap, noProgress, partitionAdjacency, adjacency, {}));
    EXPECT_EQ(result.positions, source.positions);
    EXPECT_EQ(result.indices, source.indices);
    ASSERT_EQ(result.uv_indices.size(), source.indices.size());
    EXPECT_EQ(result.uvCount(), remap.size());
    for (size_t corner = 0; corner < result.uv_indices.size(); ++corner)
        EXPECT_EQ(remap[result.uv_indices[corner]], source.indices[corner]);
    EXPECT_EQ(partitionAdjacency.size(), adjacency.size());
    EXPECT_EQ(proxy.chartCount(), 2u);

    // A neighbour beyond the triangles makes the engine refuse; the output stays as it was.
    std::vector<uint32_t> broken = adjacency;
    broken[0] = 99;
    UnwrapMesh untouched;
    untouched.uvs = {7.0f, 7.0f, 7.0f};
    expectRaises(ErrorSites::UnwrapImpossible,
                 [&] { proxy.unwrapCharts(source, untouched, remap, noProgress, partitionAdjacency, broken, {}); });
    EXPECT_EQ(untouched.uvs, (std::vector<float>{7.0f, 7.0f, 7.0f}));
}

TEST(UVAtlasProxy, BothPackersSeparateTheChartsAndTheEnginePackerRefusesATinyTexture) {
    for (const int32_t packMode : {0, 1, 2}) {
        std::vector<uint32_t> adjacency;
        // Three squares on top of each other.
        UnwrapMesh mesh = squareCharts({{0, 0, 1}, {0.5f, 0.5f, 1}, {0.2f, 0, 0.5f}}, adjacency);
        UnwrapSettings settings = settingsFor(packMode);
        settings.rotation = 0;
        settings.pre_rotate = false;
        packLikeARun(settings, adjacency, mesh);
        expectApart(chartBoxes(mesh), 2.0f / 1024.0f * 0.99f);
        for (const float value : mesh.uvs) {
            EXPECT_GE(value, 0.0f);
            EXPECT_LE(value, 1.0f);
        }
        EXPECT_EQ(mesh.positions.empty(), packMode == 0) << "the engine's packer keeps only the UVs";
    }

    std::vector<uint32_t> adjacency;
    UnwrapMesh mesh = squareCharts({{0, 0, 1}, {2, 0, 1}, {4, 0, 1}, {6, 0, 1}}, adjacency);
    const UnwrapMesh before = mesh;
    UnwrapSettings settings = settingsFor(0);
    settings.tex_width = settings.tex_height = 8;
    settings.padding = 8;
    UVAtlasProxy proxy;
    proxy.setSettings(settings);
    expectRaises(ErrorSites::PackingImpossible, [&] { proxy.packCharts(mesh, adjacency, noProgress); });
    EXPECT_EQ(mesh.uvs, before.uvs);
    EXPECT_EQ(mesh.positions, before.positions);
}

TEST(UVAtlasProxy, EveryPackerLeavesThePaddingFreeOnTheTexture) {
    // Squares of many sizes: the packers put them side by side, above and diagonally apart
    // at places that fall anywhere on the small texture's texel grid.
    std::vector<Square> squares;
    for (const float side : {1.0f, 0.8f, 0.7f, 0.55f, 0.5f, 0.45f, 0.3f, 0.3f, 0.25f, 0.2f, 0.15f, 0.1f})
        squares.push_back({3.0f * static_cast<float>(squares.size()), 0.0f, side});
    for (const int32_t packMode : {0, 1, 2})
        for (const double padding : {1.0, 3.0}) {
            std::vector<uint32_t> adjacency;
            UnwrapMesh mesh = squareCharts(squares, adjacency);
            UnwrapSettings settings = settingsFor(packMode);
            settings.tex_width = settings.tex_height = 64;
            settings.padding = padding;
            packLikeARun(settings, adjacency, mesh);
            std::vector<uint32_t> chartOfTriangle;
            for (uint32_t triangle = 0; triangle < mesh.uvIndexCount() / 3; ++triangle)
                chartOfTriangle.push_back(triangle / 2);
            EXPECT_GE(fewestFreeTexels(mesh.uvs, mesh.uv_indices, chartOfTriangle, 64, 64, 8), padding)
                << "pack mode " << packMode << ", padding " << padding;
        }
}

TEST(UVAtlasProxy, TilesMergeTheSmallestGroupsAndMoveSharedUVsOnce) {
    // Five charts of areas 1, 4, 0.25, 9 and 0.25: with three tiles, the two of 0.25 merge, then
    // that group (0.5) with the one of area 1.
    std::vector<uint32_t> adjacency;
    UnwrapMesh mesh = squareCharts({{0, 0, 1}, {5, 0, 2}, {10, 0, 0.5f}, {20, 0, 3}, {30, 0, 0.5f}}, adjacency);
    UnwrapSettings settings = settingsFor(1);
    settings.tile_numx = 3;
    settings.normalize();
    UVAtlasProxy proxy;
    proxy.setSettings(settings);
    proxy.packTiles(mesh, adjacency);
    const std::vector<Box> boxes = chartBoxes(mesh);
    const auto tileOf = [](const Box& box) { return static_cast<int>(std::floor(box.lowU)); };
    for (const Box& box : boxes) {
        EXPECT_EQ(tileOf(box), static_cast<int>(std::floor(box.highU - 1e-6f)));
        EXPECT_GE(box.lowV, 0.0f);
        EXPECT_LE(box.highV, 1.0f);
    }
    // Groups keep their first chart's order: {0, 2, 4} in column 0, chart 1 in 1, chart 3 in 2.
    EXPECT_EQ(tileOf(boxes[0]), 0);
    EXPECT_EQ(tileOf(boxes[2]), 0);
    EXPECT_EQ(tileOf(boxes[4]), 0);
    EXPECT_EQ(tileOf(boxes[1]), 1);
    EXPECT_EQ(tileOf(boxes[3]), 2);
    expectApart(std::vector<Box>{boxes[0], boxes[2], boxes[4]}, 0.0f);

    // Fewer charts than tiles: one tile each, in rows of two. A UV on the chart's lower border
    // (at 0 before the move) is moved once even though four corners use it.
    mesh = squareCharts({{0, 0, 1}, {3, 0, 1}, {6, 0, 1}}, adjacency);
    settings.tile_numx = 2;
    settings.tile_numy = 3;
    proxy.setSettings(settings);
    proxy.packTiles(mesh, adjacency);
    const std::vector<Box> tiles = chartBoxes(mesh);
    EXPECT_LT(tiles[2].lowU, 1.0f);
    EXPECT_GT(tiles[2].lowV, 1.0f);
    EXPECT_LT(tiles[2].highV, 2.0f);
    EXPECT_GT(tiles[1].lowU, 1.0f);

    // Tile counts below 1 count as 1 instead of dividing by zero.
    settings.tile_numx = 0;
    settings.tile_numy = 2;
    proxy.setSettings(settings);
    proxy.packTiles(mesh, adjacency);
    for (const Box& box : chartBoxes(mesh)) {
        EXPECT_GE(box.lowU, 0.0f);
        EXPECT_LE(box.highU, 1.0f);
    }
}

TEST(UVAtlasProxy, FittingNormalisingAndPadding) {
    UnwrapMesh mesh;
    mesh.uvs = {1, 1, 4, 3, 2, 8};
    UnwrapSettings settings = settingsFor(1);
    settings.tex_width = 2048;
    settings.padding = 0;
    UVAtlasProxy proxy;
    proxy.setSettings(settings);
    proxy.fitAspect(mesh);
    EXPECT_EQ(mesh.uvs, (std::vector<float>{1, 2, 4, 3, 4, 8}));
    proxy.normalizeToUnitSquare(mesh);
    EXPECT_EQ(mesh.uvs, (std::vector<float>{0, 0, 2, 1, 1, 4}));
    proxy.applyPadding(mesh);
    EXPECT_EQ(mesh.uvs, (std::vector<float>{0, 0, 2, 1, 1, 4}));

    settings.tex_width = 1024;
    settings.padding = 32;
    proxy.setSettings(settings);
    proxy.applyPadding(mesh);
    const float p = 32.0f / 1024.0f;
    EXPECT_FLOAT_EQ(mesh.uvs[3], (1 - p) + p / 2);
    EXPECT_FLOAT_EQ(mesh.uvs[0], p / 2);

    // A layout without extent keeps finite UVs.
    UnwrapMesh point;
    point.uvs = {3, 3, 0, 3, 3, 0};
    proxy.normalizeToUnitSquare(point);
    EXPECT_EQ(point.uvs, (std::vector<float>{0, 0, 0, 0, 0, 0}));

    // 32 texels of padding on an 8 x 8 texture leave no room: refused, UVs unchanged.
    settings.tex_width = settings.tex_height = 8;
    proxy.setSettings(settings);
    const std::vector<float> before = mesh.uvs;
    expectRaises(ErrorSites::PackingImpossible, [&] { proxy.applyPadding(mesh); });
    EXPECT_EQ(mesh.uvs, before);
}
