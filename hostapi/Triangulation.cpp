#include "Triangulation.h"

#include <cassert>
#include <cmath>

namespace {

struct Point2 {
    double x, y;
};

double cross(const Point2& a, const Point2& b, const Point2& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

bool samePlace(const Point2& a, const Point2& b) {
    return a.x == b.x && a.y == b.y;
}

// Projects onto the coordinate plane that the normal faces most, flipping the axes when
// needed so that the polygon runs counter-clockwise in 2D.
std::vector<Point2> projectToPlane(std::span<const MPoint> corners, const MVector& normal) {
    const double ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    std::vector<Point2> projected(corners.size());
    for (size_t i = 0; i < corners.size(); ++i) {
        const MPoint& p = corners[i];
        if (az >= ax && az >= ay)
            projected[i] = normal.z >= 0 ? Point2{p.x, p.y} : Point2{p.y, p.x};
        else if (ax >= ay)
            projected[i] = normal.x >= 0 ? Point2{p.y, p.z} : Point2{p.z, p.y};
        else
            projected[i] = normal.y >= 0 ? Point2{p.z, p.x} : Point2{p.x, p.z};
    }
    return projected;
}

bool insideOrOnTriangle(const Point2& p, const Point2& a, const Point2& b, const Point2& c) {
    return cross(a, b, p) >= 0 && cross(b, c, p) >= 0 && cross(c, a, p) >= 0;
}

bool isEar(const std::vector<Point2>& points, const std::vector<int>& next, int previous, int corner) {
    const int following = next[corner];
    const Point2& a = points[previous];
    const Point2& b = points[corner];
    const Point2& c = points[following];
    if (cross(a, b, c) <= 0) return false;
    for (int other = next[following]; other != previous; other = next[other]) {
        const Point2& p = points[other];
        if (samePlace(p, a) || samePlace(p, b) || samePlace(p, c)) continue;
        if (insideOrOnTriangle(p, a, b, c)) return false;
    }
    return true;
}

} // namespace

MVector newellNormal(std::span<const MPoint> corners) {
    MVector normal;
    for (size_t i = 0; i < corners.size(); ++i) {
        const MPoint& current = corners[i];
        const MPoint& next = corners[(i + 1) % corners.size()];
        normal.x += (current.y - next.y) * (current.z + next.z);
        normal.y += (current.z - next.z) * (current.x + next.x);
        normal.z += (current.x - next.x) * (current.y + next.y);
    }
    return normal.normal();
}

void triangulatePolygon(std::span<const MPoint> corners, const MVector& normal, std::vector<int>& triangles) {
    const int count = static_cast<int>(corners.size());
    if (count < 3) return;
    if (count == 3) {
        triangles.insert(triangles.end(), {0, 1, 2});
        return;
    }
    const std::vector<Point2> points = projectToPlane(corners, normal);
    std::vector<int> next(count), previous(count);
    for (int i = 0; i < count; ++i) {
        next[i] = (i + 1) % count;
        previous[i] = (i + count - 1) % count;
    }
    int remaining = count;
    int corner = 1;
    int triedSinceLastClip = 0;
    while (remaining > 3) {
        // When a whole round finds no ear the polygon is degenerate or self-intersecting:
        // clip the current corner anyway so that the count of triangles stays n - 2.
        const bool forced = triedSinceLastClip >= remaining;
        if (forced || isEar(points, next, previous[corner], corner)) {
            triangles.insert(triangles.end(), {previous[corner], corner, next[corner]});
            next[previous[corner]] = next[corner];
            previous[next[corner]] = previous[corner];
            corner = next[corner];
            --remaining;
            triedSinceLastClip = 0;
        } else {
            corner = next[corner];
            ++triedSinceLastClip;
        }
    }
    triangles.insert(triangles.end(), {previous[corner], corner, next[corner]});
    assert(static_cast<int>(triangles.size()) % 3 == 0);
}
