#include "isochart/ChartStretch.h"

#include <limits>

namespace Isochart {

double chartStretchSquared(const SurfaceMesh& surface, const ChartMesh& chart, const std::vector<Eigen::Vector2d>& uv) {
    double surfaceArea = 0.0, flatArea = 0.0, weighted = 0.0;
    for (uint32_t t = 0; t < chart.triangleCount(); ++t) {
        const auto& c = chart.corners[t];
        const Eigen::Vector2d &p0 = uv[c[0]], &p1 = uv[c[1]], &p2 = uv[c[2]];
        const double doubleArea = doubleSignedArea(p0, p1, p2);
        if (!(doubleArea > 0.0)) return std::numeric_limits<double>::infinity();
        const uint32_t input = chart.triangles[t];
        flatArea += 0.5 * doubleArea;
        const double area = surface.area[input];
        if (surface.degenerate[input] || area <= 0.0) continue;
        const Eigen::Vector3d q0 = surface.corner(input, 0), q1 = surface.corner(input, 1),
                              q2 = surface.corner(input, 2);
        const Eigen::Vector3d ds =
            (q0 * (p1.y() - p2.y()) + q1 * (p2.y() - p0.y()) + q2 * (p0.y() - p1.y())) / doubleArea;
        const Eigen::Vector3d dt =
            (q0 * (p2.x() - p1.x()) + q1 * (p0.x() - p2.x()) + q2 * (p1.x() - p0.x())) / doubleArea;
        surfaceArea += area;
        weighted += area * 0.5 * (ds.squaredNorm() + dt.squaredNorm());
    }
    if (surfaceArea <= 0.0) return 1.0;
    return (weighted / surfaceArea) * (flatArea / surfaceArea);
}

} // namespace Isochart
