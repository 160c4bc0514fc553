#pragma once

// Geometry for checking packed layouts: texel distances between filled triangles.
struct P {
    double x, y;
};

// Twice the signed area of the triangle a, b, c.
double orient(P a, P b, P c);

// Distance between two filled triangles, 0 when they touch or overlap.
double triangleDistance(const P (&s)[3], const P (&t)[3]);
