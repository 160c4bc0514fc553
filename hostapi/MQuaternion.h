#pragma once

class MMatrix;
class MVector;

// A rotation as a unit quaternion (x, y, z, w); the default is no rotation. Rotating a vector
// by it gives the same as multiplying the vector, as a row, by its rotation matrix.
class MQuaternion {
public:
    double x = 0.0, y = 0.0, z = 0.0, w = 1.0;

    MQuaternion() = default;
    MQuaternion(double x, double y, double z, double w) : x(x), y(y), z(z), w(w) {}
    // The rotation by `angle` radians about `axis`, counter-clockwise looking down the axis.
    MQuaternion(double angle, const MVector& axis);

    // The rotation matrix in the row-vector convention (translation zero).
    MMatrix asMatrix() const;
    bool isEquivalent(const MQuaternion& other, double tolerance = 1e-10) const;

    // The rotation of a pure rotation matrix (row-vector convention).
    static MQuaternion fromRotationMatrix(const double rows[3][3]);
};
