#include "SegmentClipping.h"

#include <algorithm>

bool clipSegmentToSquare(double& x0, double& y0, double& x1, double& y1, double half) {
    double enter = 0.0, leave = 1.0;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 + half, half - x0, y0 + half, half - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            enter = std::max(enter, t);
        else
            leave = std::min(leave, t);
    }
    if (enter > leave) return false;
    x1 = x0 + dx * leave;
    y1 = y0 + dy * leave;
    x0 = x0 + dx * enter;
    y0 = y0 + dy * enter;
    return true;
}
