#pragma once

#include "PackerTestCharts.h"

#include "packer/ChartPreparation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace OmbrixVectorPacker::testing {

// The packed UVs as they end in a texture of `width` x `height` texels: in single precision,
// stretched to the texture's aspect, their box moved onto the unit square's larger side and
// shrunk by the padding around the border, as the layout stage does after packing.
inline std::vector<Point2> inTexels(const Layout& layout, const std::vector<Point2>& packed, int width, int height,
                                    double paddingTexels) {
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    const float a = std::max(h / w, 1.0f), b = std::max(w / h, 1.0f);
    std::vector<float> u(packed.size()), v(packed.size());
    float lowU = 3.4028235e38f, lowV = 3.4028235e38f, highU = -3.4028235e38f, highV = -3.4028235e38f;
    for (size_t i = 0; i < packed.size(); ++i) {
        u[i] = static_cast<float>(packed[i].x) * a;
        v[i] = static_cast<float>(packed[i].y) * b;
    }
    for (const uint32_t i : layout.triangles) {
        lowU = std::min(lowU, u[i]);
        highU = std::max(highU, u[i]);
        lowV = std::min(lowV, v[i]);
        highV = std::max(highV, v[i]);
    }
    const float normal = 1.0f / std::max(highU - lowU, highV - lowV);
    const float p = static_cast<float>(paddingTexels / std::max(width, height));
    const float k = 1.0f - std::max(w / h, h / w) * p;
    std::vector<Point2> texels(packed.size());
    for (size_t i = 0; i < packed.size(); ++i) {
        const float fittedU = k * ((u[i] - lowU) * normal) + p / 2.0f;
        const float fittedV = k * ((v[i] - lowV) * normal) + p / 2.0f;
        texels[i] = {double{fittedU} * width, double{fittedV} * height};
    }
    return texels;
}

// Exact-enough geometry between the triangles of different charts.
struct GapCheck {
    // The smallest distance between two triangles of different charts.
    double smallestGap = kLargest;
    // Two charts' triangles cross or one holds a corner of the other.
    bool overlap = false;
};

namespace detail {

inline double orientation(Point2 a, Point2 b, Point2 c) {
    return cross(b - a, c - a);
}

inline bool properlyCross(Point2 a, Point2 b, Point2 c, Point2 d) {
    const double d1 = orientation(a, b, c), d2 = orientation(a, b, d);
    const double d3 = orientation(c, d, a), d4 = orientation(c, d, b);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

inline bool strictlyInside(Point2 p, const std::array<Point2, 3>& t) {
    const double a = orientation(t[0], t[1], p), b = orientation(t[1], t[2], p), c = orientation(t[2], t[0], p);
    return (a > 0 && b > 0 && c > 0) || (a < 0 && b < 0 && c < 0);
}

inline double pointSegmentDistance(Point2 p, Point2 a, Point2 b) {
    const Point2 d = b - a;
    const double lengthSquared = dot(d, d);
    const double t = lengthSquared > 0 ? std::clamp(dot(p - a, d) / lengthSquared, 0.0, 1.0) : 0.0;
    return length(p - (a + d * t));
}

struct Box {
    Point2 low{kLargest, kLargest}, high{-kLargest, -kLargest};
    void add(Point2 p) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y)};
    }
    bool near(const Box& other, double margin) const {
        return low.x <= other.high.x + margin && other.low.x <= high.x + margin && low.y <= other.high.y + margin &&
               other.low.y <= high.y + margin;
    }
};

} // namespace detail

// Compares every pair of triangles of different charts whose boxes lie within `margin` of
// each other (the gaps beyond that are not measured).
inline GapCheck checkGaps(const Layout& layout, const std::vector<Point2>& points, double margin) {
    using namespace detail;
    std::vector<uint32_t> ids;
    const uint32_t chartCount = findChartIds(layout.adjacency, layout.triangles.size() / 3, ids);
    const size_t count = ids.size();
    std::vector<std::array<Point2, 3>> triangles(count);
    std::vector<Box> triangleBoxes(count), chartBoxes(chartCount);
    std::vector<std::vector<uint32_t>> members(chartCount);
    for (size_t t = 0; t < count; ++t) {
        for (int k = 0; k < 3; ++k) {
            triangles[t][k] = points[layout.triangles[3 * t + k]];
            triangleBoxes[t].add(triangles[t][k]);
            chartBoxes[ids[t] - 1].add(triangles[t][k]);
        }
        members[ids[t] - 1].push_back(static_cast<uint32_t>(t));
    }
    GapCheck check;
    for (uint32_t c = 0; c < chartCount; ++c) {
        for (uint32_t d = c + 1; d < chartCount; ++d) {
            if (!chartBoxes[c].near(chartBoxes[d], margin)) continue;
            for (const uint32_t s : members[c]) {
                if (!triangleBoxes[s].near(chartBoxes[d], margin)) continue;
                for (const uint32_t t : members[d]) {
                    if (!triangleBoxes[s].near(triangleBoxes[t], margin)) continue;
                    const auto& p = triangles[s];
                    const auto& q = triangles[t];
                    for (int i = 0; i < 3; ++i) {
                        if (strictlyInside(p[i], q) || strictlyInside(q[i], p)) check.overlap = true;
                        for (int j = 0; j < 3; ++j) {
                            const Point2 a = p[i], b = p[(i + 1) % 3], c2 = q[j], d2 = q[(j + 1) % 3];
                            if (properlyCross(a, b, c2, d2)) check.overlap = true;
                            check.smallestGap = std::min(
                                {check.smallestGap, pointSegmentDistance(a, c2, d2), pointSegmentDistance(c2, a, b)});
                        }
                    }
                }
            }
        }
    }
    if (check.overlap) check.smallestGap = 0.0;
    return check;
}

} // namespace OmbrixVectorPacker::testing
