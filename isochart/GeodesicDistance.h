#pragma once

#include "isochart/ChartMesh.h"

#include <Eigen/Core>

#include <array>
#include <cstdint>
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
    // A triangle around a vertex: its two other corners and the lengths of its three edges.
    struct Fan {
        uint32_t b, c;
        double toB, toC, across;
    };

    // A vertex on the front with its distance, kept beside it so the heap reads no other memory.
    struct Queued {
        double distance;
        uint32_t vertex;
        // Whether this settles before `other`: the nearer first, ties to the lower vertex, so
        // the order is total.
        bool before(const Queued& other) const {
            return distance != other.distance ? distance < other.distance : vertex < other.vertex;
        }
    };

    void settle(uint32_t vertex, std::vector<double>& distance);
    void offer(uint32_t vertex, double candidate, std::vector<double>& distance);
    void place(size_t slot, const Queued& entry);
    void siftUp(size_t slot);
    void siftDown(size_t slot);

    static constexpr uint32_t kNotQueued = 0xFFFFFFFFu;

    size_t vertexCount_;
    std::vector<uint32_t> fanStart_; // vertex v owns fans_[fanStart_[v] .. fanStart_[v + 1])
    std::vector<Fan> fans_;
    std::vector<uint8_t> settled_;
    // The front: a binary heap of vertices, the first to settle on top, each vertex in it at
    // most once and moved up in place when its distance shrinks.
    std::vector<Queued> heap_;
    std::vector<uint32_t> slotOf_; // a vertex's place in heap_, or kNotQueued
};

// The distance at `c` of a planar front that has distance `da` at `a` and `db` at `b` and
// crosses the edge a-b into the triangle; infinite when no such front reaches `c`.
double frontDistance(const Eigen::Vector3d& a, double da, const Eigen::Vector3d& b, double db,
                     const Eigen::Vector3d& c);

// The same front from the triangle's edge lengths alone.
double frontDistance(double ab, double ac, double bc, double da, double db);

} // namespace Isochart::GeodesicDist
