#include "TriangleGaps.h"

#include <algorithm>
#include <cmath>

namespace {

double pointSegment(P p, P a, P b) {
    const double dx = b.x - a.x, dy = b.y - a.y, length = dx * dx + dy * dy;
    const double t = length > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length, 0.0, 1.0) : 0.0;
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

bool inside(P p, const P (&t)[3]) {
    const double d0 = orient(t[0], t[1], p), d1 = orient(t[1], t[2], p), d2 = orient(t[2], t[0], p);
    return (d0 >= 0 && d1 >= 0 && d2 >= 0) || (d0 <= 0 && d1 <= 0 && d2 <= 0);
}

bool segmentsCross(P a, P b, P c, P d) {
    return orient(a, b, c) * orient(a, b, d) < 0 && orient(c, d, a) * orient(c, d, b) < 0;
}

} // namespace

double orient(P a, P b, P c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Distance between two filled triangles, 0 when they touch or overlap.
double triangleDistance(const P (&s)[3], const P (&t)[3]) {
    for (int i = 0; i < 3; ++i) {
        if (inside(s[i], t) || inside(t[i], s)) return 0.0;
        for (int j = 0; j < 3; ++j)
            if (segmentsCross(s[i], s[(i + 1) % 3], t[j], t[(j + 1) % 3])) return 0.0;
    }
    double distance = INFINITY;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            distance = std::min(distance, pointSegment(s[i], t[j], t[(j + 1) % 3]));
            distance = std::min(distance, pointSegment(t[j], s[i], s[(i + 1) % 3]));
        }
    return distance;
}
