#pragma once

#include "isochart/ChartPartition.h"

#include <Eigen/Core>
#include <Eigen/Geometry>

#include <array>
#include <cstdint>
#include <vector>

namespace Isochart {

constexpr uint32_t kNil = 0xFFFFFFFFu;

// The input mesh in double precision with the links the engine trusts. A link joins two
// triangles across one edge only when both name each other, run the edge in opposite
// directions and neither is degenerate; every other corner is a border. Triangles joined by
// a false edge that is also a link form one polygon, which no chart boundary may cross.
// Every part of the mesh (triangles joined through shared vertices) is moved so that its
// bounding box is centred on the origin.
struct SurfaceMesh {
    std::vector<Eigen::Vector3d> positions;
    std::vector<std::array<uint32_t, 3>> triangles;
    std::vector<std::array<uint32_t, 3>> links;
    std::vector<uint32_t> polygonOf; // polygon number per triangle
    std::vector<uint8_t> degenerate; // repeated vertex or (almost) no area
    std::vector<double> area;        // 3D area per triangle
    std::vector<Eigen::Vector3d> normal;

    size_t triangleCount() const { return triangles.size(); }
    Eigen::Vector3d corner(uint32_t triangle, int k) const { return positions[triangles[triangle][k]]; }
};

// Reads the view into `surface`. Returns E_FAIL for indices beyond the positions, non-finite
// positions or arrays of the wrong length.
HRESULT buildSurfaceMesh(const MeshView& mesh, SurfaceMesh& surface);

// Whether a triangle with these corners is too thin to flatten reliably in single precision.
bool isDegenerateTriangle(const Eigen::Vector3d& a, const Eigen::Vector3d& b, const Eigen::Vector3d& c);

} // namespace Isochart
