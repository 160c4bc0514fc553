#include "LayoutCheck.h"
#include "PackerTestCharts.h"

#include "packer/Pack.h"
#include "packer/PackErrors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

using namespace OmbrixVectorPacker;
using namespace OmbrixVectorPacker::testing;

namespace {

Layout scaled(Layout layout, double factor) {
    for (Point2& uv : layout.uvs)
        uv = uv * factor;
    return layout;
}

std::vector<Point2> packed(const Layout& layout, const PackSettings& settings) {
    std::vector<Point2> uvs = layout.uvs;
    VectorPacker packer;
    pack(packer, uvs, layout.triangles, layout.adjacency, settings, 2u);
    return uvs;
}

// Expects `pack` to refuse the layout with PackInputError mentioning `words`, leaving the UVs.
void expectRefused(const Layout& layout, const PackSettings& settings, const std::string& words) {
    std::vector<Point2> uvs = layout.uvs;
    VectorPacker packer;
    try {
        pack(packer, uvs, layout.triangles, layout.adjacency, settings, 2u);
        ADD_FAILURE() << "not refused: " << words;
    } catch (const PackInputError& error) {
        EXPECT_NE(std::string(error.what()).find(words), std::string::npos) << error.what();
    }
    EXPECT_EQ(std::memcmp(uvs.data(), layout.uvs.data(), uvs.size() * sizeof(Point2)), 0);
}

bool allFinite(const std::vector<Point2>& uvs) {
    for (const Point2 uv : uvs)
        if (!std::isfinite(uv.x) || !std::isfinite(uv.y)) return false;
    return true;
}

} // namespace

TEST(PackRange, ScaleByAPowerOfTwoChangesNothingButTheScale) {
    // From about 1e-30 to 1e301: the same layout, to the last bit.
    const Layout layout = stressLayout(31, 24);
    const PackSettings settings = makePackSettings(1024, 1024, 2.0, true, 1, false, 1);
    const std::vector<Point2> reference = packed(layout, settings);
    for (const int exponent : {-100, -66, 1000}) {
        const std::vector<Point2> result = packed(scaled(layout, std::ldexp(1.0, exponent)), settings);
        for (size_t i = 0; i < result.size(); ++i) {
            ASSERT_EQ(std::ldexp(result[i].x, -exponent), reference[i].x) << exponent << " uv " << i;
            ASSERT_EQ(std::ldexp(result[i].y, -exponent), reference[i].y) << exponent << " uv " << i;
        }
    }
}

TEST(PackRange, TinyAndHugeLayoutsPackLikeTheirOwnScale) {
    // At 1e-30, 1e-20 and 1e30 times its size the layout keeps its padding in texels, with
    // nothing overlapping, as at its own scale.
    const Layout layout = stressLayout(32, 24);
    const PackSettings settings = makePackSettings(1024, 1024, 2.0, false, 1, false, 2);
    for (const double factor : {1.0, 1e-30, 1e-20, 1e30}) {
        const Layout input = scaled(layout, factor);
        const std::vector<Point2> result = packed(input, settings);
        ASSERT_TRUE(allFinite(result)) << factor;
        const GapCheck check = checkGaps(input, inTexels(input, result, 1024, 1024, 2.0), 3.0);
        EXPECT_FALSE(check.overlap) << factor;
        EXPECT_GE(check.smallestGap, 2.0 * (1 - 1e-6)) << factor;
    }
}

TEST(PackRange, SpansAtTheEndsOfTheRangeGiveFiniteLayouts) {
    // Charts spread from -1e308 to 1e308 (a span beyond the largest double): a finite,
    // unflipped layout. A quad one unit wide and 1e308 high is a sliver no search can place
    // beside anything: refused.
    Layout wide;
    wide.addGrid(2, 2, 1e307, {-1e308, -1e308});
    wide.addGrid(1, 1, 3e307, {8e307, 8e307});
    wide.addGrid(3, 1, 1e306, {0, 0}, 0.5);
    wide.linkSharedEdges();
    Layout tall;
    tall.addTriangle(tall.addUV(0, 0), tall.addUV(1, 0), tall.addUV(1, 1));
    tall.addTriangle(0, 2, tall.addUV(0, 1e308));
    tall.linkSharedEdges();
    const PackSettings settings = makePackSettings(1024, 1024, 2.0, true, 1, false, 1);
    EXPECT_THROW(packed(tall, settings), PackInputError);
    const std::vector<Point2> result = packed(wide, settings);
    ASSERT_TRUE(allFinite(result));
    // Turned, never mirrored: every triangle keeps its orientation (compared after a
    // power of two that keeps the cross products in range).
    auto orientation = [](const std::vector<Point2>& uvs, const uint32_t* corner) {
        Point2 p[3];
        for (int k = 0; k < 3; ++k)
            p[k] = {std::ldexp(uvs[corner[k]].x, -1000), std::ldexp(uvs[corner[k]].y, -1000)};
        return cross(p[1] - p[0], p[2] - p[0]) > 0.0;
    };
    for (size_t t = 0; t < wide.triangles.size(); t += 3)
        EXPECT_EQ(orientation(result, &wide.triangles[t]), orientation(wide.uvs, &wide.triangles[t]))
            << t / 3;
    // Nothing overlaps (measured in the packer's precision: the layout's size is beyond
    // single precision).
    std::vector<Point2> small = result;
    for (Point2& uv : small)
        uv = {std::ldexp(uv.x, -1000), std::ldexp(uv.y, -1000)};
    EXPECT_FALSE(checkGaps(wide, small, 0.0).overlap);
}

TEST(PackRange, UnrepresentableInputIsRefusedWithItsReason) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), infinity = std::numeric_limits<double>::infinity();
    const PackSettings settings = makePackSettings(1024, 1024, 2.0, true, 1, false, 1);
    Layout layout;
    layout.addGrid(2, 2, 1.0);
    layout.addGrid(1, 1, 1.0, {5, 5});
    layout.linkSharedEdges();

    // A UV that is not a number, or infinite, used by a triangle; one that no triangle uses
    // stays as it is.
    Layout broken = layout;
    broken.uvs[broken.triangles[13]] = {nan, 1.0};
    expectRefused(broken, settings, "UV " + std::to_string(broken.triangles[13]) + " of triangle");
    broken = layout;
    broken.uvs[broken.triangles[0]] = {0.0, infinity};
    expectRefused(broken, settings, "not a finite number");
    broken = layout;
    broken.uvs.push_back({nan, nan});
    const std::vector<Point2> result = packed(broken, settings);
    EXPECT_TRUE(std::isnan(result.back().x));

    // Nothing but zero-area triangles: no layout to make.
    Layout flat;
    flat.addTriangle(flat.addUV(0, 0), flat.addUV(1, 1), flat.addUV(2, 2));
    flat.addTriangle(flat.addUV(3, 3), flat.addUV(3, 3), flat.addUV(3, 3));
    flat.linkSharedEdges();
    expectRefused(flat, settings, "zero area");

    // Charts piled on each other near the largest double: the packed layout's side, the
    // square root of their total area, exceeds the range.
    Layout piled;
    for (int i = 0; i < 8; ++i)
        piled.addGrid(1, 1, 1.7e308);
    piled.linkSharedEdges();
    expectRefused(piled, settings, "range");

    // Settings that are not numbers.
    PackSettings odd = settings;
    odd.aspect = nan;
    expectRefused(layout, odd, "aspect");
    odd.aspect = 0.0;
    expectRefused(layout, odd, "aspect");
    odd = settings;
    odd.padding = nan;
    expectRefused(layout, odd, "padding");
}
