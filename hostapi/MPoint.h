#pragma once

#include "MVector.h"

class MMatrix;

// Homogeneous double-precision point; w defaults to 1.
class MPoint {
public:
    double x = 0.0, y = 0.0, z = 0.0, w = 1.0;

    MPoint() = default;
    MPoint(double x, double y, double z, double w = 1.0) : x(x), y(y), z(z), w(w) {}

    MVector operator-(const MPoint& other) const { return {x - other.x, y - other.y, z - other.z}; }
    MPoint operator+(const MVector& offset) const { return {x + offset.x, y + offset.y, z + offset.z, w}; }
    // Row vector times matrix, translation included.
    MPoint operator*(const MMatrix& matrix) const;
    MPoint& cartesianize() {
        if (w != 0.0 && w != 1.0) {
            x /= w;
            y /= w;
            z /= w;
            w = 1.0;
        }
        return *this;
    }
};
