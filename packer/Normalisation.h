#pragma once

#include "PackRecords.h"

#include <cstdint>
#include <span>

namespace OmbrixVectorPacker {

// How the input's UVs map to the packer's units, in which the triangles have total area 1:
// a power of two brings the largest magnitude of the used UVs below 1, their box's lower
// corner moves to the origin, and a factor scales the total area to 1. So no input of finite
// UVs overflows or underflows on the way, and inputs that differ by a power of two scale
// give the same units.
struct Normalisation {
    int exponent = 0;
    // Lower corner of the used UVs' box after the power of two.
    Point2 origin;
    // 1 / sqrt(total area after the power of two).
    double factor = 1.0;

    Point2 toUnits(Point2 uv) const;
    // A point of the packed layout, which starts at the origin, in the input's units.
    Point2 toInput(Point2 units) const;
};

// The normalisation of the UVs that the triangles use. Throws PackInputError, naming the UV
// or the reason, when a used UV is not finite, when all triangles have zero area, or when the
// packed layout (sides of about the square root of the total area) could not be written in
// the input's units.
Normalisation normalisationOf(std::span<const Point2> uvs, std::span<const uint32_t> triangles);

} // namespace OmbrixVectorPacker
