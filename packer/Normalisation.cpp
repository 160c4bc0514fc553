#include "Normalisation.h"

#include "Geometry.h"
#include "PackErrors.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace OmbrixVectorPacker {

namespace {

std::string describe(Point2 uv) {
    return "(" + std::to_string(uv.x) + ", " + std::to_string(uv.y) + ")";
}

// Triangles whose side is this many times the side of the packed layout (whose area is 1 in
// units) are slivers: a strip of unit triangles reaches it only with about 1e11 of them. The
// search steps along charts in proportion to their size, so such a sliver would take it
// practically forever and leave the layout empty.
constexpr double kLongestSide = 1e6;

// The longest side of the triangle a, b, c along either axis.
double longestSide(Point2 a, Point2 b, Point2 c) {
    return std::max({std::abs(b.x - a.x), std::abs(b.y - a.y), std::abs(c.x - a.x), std::abs(c.y - a.y),
                     std::abs(c.x - b.x), std::abs(c.y - b.y)});
}

} // namespace

Point2 Normalisation::toUnits(Point2 uv) const {
    return (Point2{std::ldexp(uv.x, -exponent), std::ldexp(uv.y, -exponent)} - origin) * factor;
}

Point2 Normalisation::toInput(Point2 units) const {
    return {std::ldexp(units.x / factor, exponent), std::ldexp(units.y / factor, exponent)};
}

Normalisation normalisationOf(std::span<const Point2> uvs, std::span<const uint32_t> triangles) {
    double largest = 0.0;
    for (size_t corner = 0; corner < triangles.size(); ++corner) {
        const Point2 uv = uvs[triangles[corner]];
        if (!isFinite(uv))
            throw PackInputError("pack: UV " + std::to_string(triangles[corner]) + " of triangle " +
                                 std::to_string(corner / 3) + " is not a finite number: " + describe(uv));
        largest = std::max({largest, std::abs(uv.x), std::abs(uv.y)});
    }
    Normalisation normalisation;
    normalisation.exponent = largest > 0.0 ? std::ilogb(largest) + 1 : 0;
    Point2 low{kLargest, kLargest};
    for (const uint32_t uv : triangles) {
        const Point2 p{std::ldexp(uvs[uv].x, -normalisation.exponent), std::ldexp(uvs[uv].y, -normalisation.exponent)};
        low = {std::min(low.x, p.x), std::min(low.y, p.y)};
    }
    normalisation.origin = low;

    // Every coordinate now lies in [0, 2), so no area overflows.
    double area = 0.0, longest = 0.0;
    size_t longestTriangle = 0;
    for (size_t t = 0; t + 2 < triangles.size(); t += 3) {
        const Point2 a = normalisation.toUnits(uvs[triangles[t]]);
        const Point2 b = normalisation.toUnits(uvs[triangles[t + 1]]);
        const Point2 c = normalisation.toUnits(uvs[triangles[t + 2]]);
        area += 0.5 * std::abs(cross(b - a, c - a));
        if (const double side = longestSide(a, b, c); side > longest) {
            longest = side;
            longestTriangle = t / 3;
        }
    }
    if (!(area > 0.0))
        throw PackInputError("pack: every UV triangle has zero area (" + std::to_string(triangles.size() / 3) +
                             " triangles), so there is no layout to pack");
    normalisation.factor = 1.0 / std::sqrt(area);
    if (!std::isfinite(normalisation.factor) || !isFinite(normalisation.toInput({1.0, 1.0})))
        throw PackInputError("pack: the UVs' total area cannot be represented: the packed layout would not fit the "
                             "range of double-precision numbers");
    if (longest * normalisation.factor > kLongestSide)
        throw PackInputError("pack: UV triangle " + std::to_string(longestTriangle) +
                             " is a sliver more than a million times as long as the packed layout is wide; "
                             "it cannot be packed");
    return normalisation;
}

} // namespace OmbrixVectorPacker
