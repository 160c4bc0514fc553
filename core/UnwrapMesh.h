#pragma once

#include "hostapi/MMatrix.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

// Value of a per-corner array meaning "none": no neighbour, no false edge, or a cut.
constexpr uint32_t NIL = 0xFFFFFFFFu;

// The triangle mesh an unwrap run works on: positions and UVs (three floats each),
// three vertex and three UV indices per triangle, and the object-to-world matrix.
struct UnwrapMesh {
    std::vector<float> positions;
    std::vector<float> uvs;
    std::vector<uint32_t> indices;
    std::vector<uint32_t> uv_indices;
    MMatrix transform;

    UnwrapMesh() = default;
    UnwrapMesh(const std::vector<float>& positions, const std::vector<uint32_t>& indices)
        : positions(positions), indices(indices) {}

    size_t positionCount() const { return positions.size() / 3; }
    size_t uvCount() const { return uvs.size() / 3; }
    size_t indexCount() const { return indices.size(); }
    size_t uvIndexCount() const { return uv_indices.size(); }
    size_t triangleCount() const { return indices.size() / 3; }
};

// Half the length of (p1 - p0) x (p2 - p0), in single precision, for the three corners
// `corners` of `points` (three floats each: positions, or UVs with their third value).
inline float triangleArea(const std::vector<float>& points, const uint32_t* corners) {
    const float* p0 = &points[3 * size_t{corners[0]}];
    const float* p1 = &points[3 * size_t{corners[1]}];
    const float* p2 = &points[3 * size_t{corners[2]}];
    const float a[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    const float b[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    const float n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    return 0.5f * std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
}
