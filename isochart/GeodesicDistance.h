#pragma once

#include "isochart/ChartMesh.h"

#include <Eigen/Core>

#include <cstdint>
#include <utility>
#include <vector>

namespace Isochart::GeodesicDist {

// Distances on the surface of one chart from a source vertex to all its vertices by fast
// marching (Kimmel and Sethian 1998): each vertex takes the distance of a planar front
// crossing a triangle whose other two corners are settled, or of a path along an edge where
// no such front reaches it. Vertices the chart does not connect to the source stay infinite.
class CApproximateOneToAll {
public:
    CApproximateOneToAll(const SurfaceMesh& surface, const ChartMesh& chart);

    void compute(uint32_t source, std::vector<double>& distance);

private:
    void settle(uint32_t vertex, std::vector<double>& distance);
    void offer(uint32_t vertex, double candidate, std::vector<double>& distance);

    const ChartMesh& chart_;
    std::vector<Eigen::Vector3d> position_; // per chart vertex
    VertexCorners around_;
    std::vector<uint8_t> settled_;
    std::vector<std::pair<double, uint32_t>> heap_;
};

// The distance at `c` of a planar front that has distance `da` at `a` and `db` at `b` and
// crosses the edge a-b into the triangle; infinite when no such front reaches `c`.
double frontDistance(const Eigen::Vector3d& a, double da, const Eigen::Vector3d& b, double db,
                     const Eigen::Vector3d& c);

} // namespace Isochart::GeodesicDist
