#pragma once

#include <cmath>

class MMatrix;
class MQuaternion;

// Double-precision 3D vector. As in the host, `*` between two vectors is the dot
// product and `^` is the cross product.
class MVector {
public:
    double x = 0.0, y = 0.0, z = 0.0;

    MVector() = default;
    MVector(double x, double y, double z) : x(x), y(y), z(z) {}

    double operator*(const MVector& other) const { return x * other.x + y * other.y + z * other.z; }
    MVector operator^(const MVector& other) const {
        return {y * other.z - z * other.y, z * other.x - x * other.z, x * other.y - y * other.x};
    }
    MVector operator+(const MVector& other) const { return {x + other.x, y + other.y, z + other.z}; }
    MVector operator-(const MVector& other) const { return {x - other.x, y - other.y, z - other.z}; }
    MVector operator*(double scale) const { return {x * scale, y * scale, z * scale}; }
    MVector operator-() const { return {-x, -y, -z}; }
    MVector& operator+=(const MVector& other) {
        x += other.x;
        y += other.y;
        z += other.z;
        return *this;
    }

    double length() const { return std::sqrt(x * x + y * y + z * z); }
    // Unit vector in the same direction; the zero vector stays zero.
    MVector normal() const {
        const double size = length();
        return size > 0.0 ? MVector(x / size, y / size, z / size) : MVector();
    }
    void normalize() { *this = normal(); }
    // Direction only, no translation.
    MVector operator*(const MMatrix& matrix) const;
    // The vector turned by the rotation.
    MVector rotateBy(const MQuaternion& rotation) const;
};
