#pragma once

#include "hostapi/MMatrix.h"

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
