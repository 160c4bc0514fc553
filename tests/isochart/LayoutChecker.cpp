#include "LayoutChecker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>

namespace {

using Point = std::array<double, 2>;
using Vector3 = std::array<double, 3>;

double cross(const Point& o, const Point& a, const Point& b) {
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

bool strictlyInside(const Point& p, const Point t[3]) {
    return cross(t[0], t[1], p) > 0 && cross(t[1], t[2], p) > 0 && cross(t[2], t[0], p) > 0;
}

bool segmentsCross(const Point& a, const Point& b, const Point& c, const Point& d) {
    const double d1 = cross(a, b, c), d2 = cross(a, b, d), d3 = cross(c, d, a), d4 = cross(c, d, b);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

// Two counterclockwise triangles share interior area when edges cross properly, a corner
// lies strictly inside the other, or they cover the same three points.
bool interiorsMeet(const Point a[3], const Point b[3]) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (segmentsCross(a[i], a[(i + 1) % 3], b[j], b[(j + 1) % 3])) return true;
    for (int i = 0; i < 3; ++i)
        if (strictlyInside(a[i], b) || strictlyInside(b[i], a)) return true;
    std::array<Point, 3> sa{a[0], a[1], a[2]}, sb{b[0], b[1], b[2]};
    std::sort(sa.begin(), sa.end());
    std::sort(sb.begin(), sb.end());
    return sa == sb;
}

Vector3 position(const TestMesh& mesh, uint32_t v) {
    return {mesh.positions[3 * v], mesh.positions[3 * v + 1], mesh.positions[3 * v + 2]};
}

Vector3 minus(const Vector3& a, const Vector3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
double dot(const Vector3& a, const Vector3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
Vector3 crossed(const Vector3& a, const Vector3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

struct StretchSums {
    double surface = 0, flat = 0, weighted = 0;
};

// Adds one triangle to its chart's L2 stretch sums (Sander et al. 2001).
void addStretch(const Vector3 q[3], const Point p[3], StretchSums& sums) {
    const double flat2 = cross(p[0], p[1], p[2]);
    const double area = 0.5 * std::sqrt(dot(crossed(minus(q[1], q[0]), minus(q[2], q[0])),
                                            crossed(minus(q[1], q[0]), minus(q[2], q[0]))));
    sums.flat += 0.5 * flat2;
    if (area <= 1e-12 * (dot(minus(q[1], q[0]), minus(q[1], q[0])) + dot(minus(q[2], q[0]), minus(q[2], q[0])))) return;
    Vector3 ds{}, dt{};
    for (int a = 0; a < 3; ++a) {
        ds[a] = (q[0][a] * (p[1][1] - p[2][1]) + q[1][a] * (p[2][1] - p[0][1]) + q[2][a] * (p[0][1] - p[1][1])) / flat2;
        dt[a] = (q[0][a] * (p[2][0] - p[1][0]) + q[1][a] * (p[0][0] - p[2][0]) + q[2][a] * (p[1][0] - p[0][0])) / flat2;
    }
    sums.surface += area;
    sums.weighted += area * 0.5 * (dot(ds, ds) + dot(dt, dt));
}

} // namespace

::testing::AssertionResult checkLayout(const TestMesh& mesh, const Isochart::ChartLayout& layout, double maxStretch) {
    const size_t count = mesh.triangleCount();
    const size_t outputs = layout.vertexSource.size();
    if (layout.chartOfTriangle.size() != count || layout.cornerVertices.size() != 3 * count ||
        layout.vertexUVs.size() != 2 * outputs || layout.chartCount == 0)
        return ::testing::AssertionFailure() << "layout arrays have the wrong sizes";
    std::vector<uint32_t> chartOfVertex(outputs, 0xFFFFFFFFu);
    std::vector<std::vector<uint32_t>> members(layout.chartCount);
    for (uint32_t t = 0; t < count; ++t) {
        const uint32_t chart = layout.chartOfTriangle[t];
        if (chart >= layout.chartCount) return ::testing::AssertionFailure() << "triangle " << t << " has no chart";
        members[chart].push_back(t);
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = layout.cornerVertices[3 * t + k];
            if (v >= outputs || layout.vertexSource[v] != mesh.indices[3 * t + k])
                return ::testing::AssertionFailure() << "corner " << k << " of triangle " << t << " has a wrong vertex";
            if (chartOfVertex[v] != 0xFFFFFFFFu && chartOfVertex[v] != chart)
                return ::testing::AssertionFailure() << "output vertex " << v << " is in two charts";
            chartOfVertex[v] = chart;
        }
    }
    auto uvOf = [&](uint32_t t, int k) {
        const uint32_t v = layout.cornerVertices[3 * t + k];
        return Point{layout.vertexUVs[2 * v], layout.vertexUVs[2 * v + 1]};
    };

    // Union of triangles that share both output vertices of an edge.
    std::vector<uint32_t> parent(count);
    std::iota(parent.begin(), parent.end(), 0u);
    auto find = [&](uint32_t x) {
        while (parent[x] != x)
            x = parent[x] = parent[parent[x]];
        return x;
    };
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> edges;
    for (uint32_t t = 0; t < count; ++t)
        for (int k = 0; k < 3; ++k) {
            const uint32_t a = layout.cornerVertices[3 * t + k], b = layout.cornerVertices[3 * t + (k + 1) % 3];
            const auto [it, added] = edges.emplace(std::make_pair(std::min(a, b), std::max(a, b)), t);
            if (!added) parent[find(t)] = find(it->second);
        }

    double largest = 0.0;
    for (uint32_t chart = 0; chart < layout.chartCount; ++chart) {
        const auto& tris = members[chart];
        if (tris.empty()) return ::testing::AssertionFailure() << "chart " << chart << " is empty";
        StretchSums sums;
        for (uint32_t t : tris) {
            if (find(t) != find(tris.front()))
                return ::testing::AssertionFailure() << "chart " << chart << " is not connected";
            const Point p[3] = {uvOf(t, 0), uvOf(t, 1), uvOf(t, 2)};
            if (!(cross(p[0], p[1], p[2]) > 0))
                return ::testing::AssertionFailure() << "triangle " << t << " is flipped or has no area";
            const Vector3 q[3] = {position(mesh, mesh.indices[3 * t]), position(mesh, mesh.indices[3 * t + 1]),
                                  position(mesh, mesh.indices[3 * t + 2])};
            addStretch(q, p, sums);
        }
        for (size_t i = 0; i < tris.size(); ++i)
            for (size_t j = i + 1; j < tris.size(); ++j) {
                const Point a[3] = {uvOf(tris[i], 0), uvOf(tris[i], 1), uvOf(tris[i], 2)};
                const Point b[3] = {uvOf(tris[j], 0), uvOf(tris[j], 1), uvOf(tris[j], 2)};
                if (interiorsMeet(a, b))
                    return ::testing::AssertionFailure()
                           << "triangles " << tris[i] << " and " << tris[j] << " of chart " << chart << " overlap";
            }
        const double sigma2 = sums.surface > 0 ? sums.weighted / sums.surface * sums.flat / sums.surface : 1.0;
        // A sigma^2 that rounds to 1 in single precision is no stretch; otherwise the chart
        // must meet the limit, allowing only for the two measurements' rounding.
        const double stretch = float(sigma2) <= 1.0f ? 0.0 : 1.0 - 1.0 / sigma2;
        if (maxStretch < 1.0 && stretch > maxStretch + 1e-9)
            return ::testing::AssertionFailure() << "chart " << chart << " has stretch " << stretch;
        largest = std::max(largest, stretch);
    }
    if (maxStretch < 1.0 && layout.maxStretch > float(maxStretch))
        return ::testing::AssertionFailure() << "reported stretch " << layout.maxStretch << " above the limit";
    if (std::abs(largest - layout.maxStretch) > 1e-6)
        return ::testing::AssertionFailure() << "reported stretch " << layout.maxStretch << ", measured " << largest;
    return ::testing::AssertionSuccess();
}
