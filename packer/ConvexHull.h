#pragma once

#include "PackRecords.h"

#include <span>
#include <vector>

namespace OmbrixVectorPacker {

// Convex hull of the finite points by the monotone chain (lower chain, then upper chain),
// counter-clockwise, as a closed list: the first point stands again at the end. Collinear
// points are dropped. Empty when no point is finite.
void convexHull(std::span<const Point2> points, std::vector<Point2>& hull);

// Direction of the hull's minimum width, in radians in [0, pi], found with rotating
// calipers over the closed hull list; 0 for fewer than three list points.
double minimumWidthAngle(std::span<const Point2> hull);

} // namespace OmbrixVectorPacker
