#pragma once

#include "MPoint.h"

#include <span>
#include <vector>

// Newell's normal of a polygon, unit length; zero for a polygon without area.
MVector newellNormal(std::span<const MPoint> corners);

// Splits a simple polygon, convex or concave, into corners.size() - 2 triangles by ear
// clipping in the polygon's plane. Appends local corner indices, three per triangle, in
// the polygon's winding. A convex polygon gives the fan from corner 0. Degenerate or
// self-intersecting polygons still give exactly corners.size() - 2 triangles.
void triangulatePolygon(std::span<const MPoint> corners, const MVector& normal, std::vector<int>& triangles);
