#pragma once

#include "isochart/GeodesicDistance.h"

#include <Eigen/Core>

#include <cstdint>
#include <vector>

namespace Isochart::GeodesicDist {

// Exact polyhedral distances on one chart from a source vertex to all its vertices, by
// window propagation in the manner of Surazhsky et al. 2005: a window is an interval of an
// edge that straight lines from one (pseudo) source reach across an unfolded strip of
// triangles. Windows travel in order of distance and saddle and border vertices become new
// sources (as in Chen and Han 1990). Windows are neither trimmed nor pruned, so their count
// can grow quadratically: large charts, and surfaces that breed too many windows, get
// their distances from fast marching instead.
class CExactOneToAll {
public:
    CExactOneToAll(const SurfaceMesh& surface, const ChartMesh& chart);

    void compute(uint32_t source, std::vector<double>& distance);

private:
    struct Window {
        uint32_t triangle;      // the window lies on this triangle's edge and looks into it
        int corner;             // the edge runs from this corner to the next
        double begin, end;      // interval along the edge from its first vertex
        Eigen::Vector2d source; // unfolded source in the edge's frame (y <= 0)
        double sourceDistance;  // distance of that source from the true one
    };

    void improve(uint32_t vertex, double candidate, std::vector<double>& distance);
    void emitFromVertex(uint32_t vertex, std::vector<double>& distance);
    void propagate(const Window& window, std::vector<double>& distance);
    void push(const Window& window);
    int cornerFrom(uint32_t triangle, uint32_t from, uint32_t to) const;

    const ChartMesh& chart_;
    std::vector<Eigen::Vector3d> position_;
    VertexCorners around_;
    std::vector<uint8_t> passThrough_; // saddle or border vertex: a geodesic may bend there
    std::vector<Window> windows_;
    std::vector<std::pair<double, uint32_t>> queue_; // windows, and vertices from kVertexEvent up
    CApproximateOneToAll fallback_;
};

} // namespace Isochart::GeodesicDist
