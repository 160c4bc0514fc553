#include "MQuaternion.h"

#include "MMatrix.h"
#include "MVector.h"

#include <cmath>

MQuaternion::MQuaternion(double angle, const MVector& axis) {
    const MVector unit = axis.normal();
    const double s = std::sin(angle / 2.0);
    x = unit.x * s;
    y = unit.y * s;
    z = unit.z * s;
    w = std::cos(angle / 2.0);
}

MMatrix MQuaternion::asMatrix() const {
    // The column-vector rotation matrix, transposed for row vectors.
    const double xx = x * x, yy = y * y, zz = z * z, xy = x * y, xz = x * z, yz = y * z, wx = w * x, wy = w * y,
                 wz = w * z;
    MMatrix m;
    m[0][0] = 1 - 2 * (yy + zz);
    m[1][0] = 2 * (xy - wz);
    m[2][0] = 2 * (xz + wy);
    m[0][1] = 2 * (xy + wz);
    m[1][1] = 1 - 2 * (xx + zz);
    m[2][1] = 2 * (yz - wx);
    m[0][2] = 2 * (xz - wy);
    m[1][2] = 2 * (yz + wx);
    m[2][2] = 1 - 2 * (xx + yy);
    return m;
}

bool MQuaternion::isEquivalent(const MQuaternion& other, double tolerance) const {
    // q and -q are the same rotation.
    const auto near = [&](double sign) {
        return std::fabs(x - sign * other.x) <= tolerance && std::fabs(y - sign * other.y) <= tolerance &&
               std::fabs(z - sign * other.z) <= tolerance && std::fabs(w - sign * other.w) <= tolerance;
    };
    return near(1.0) || near(-1.0);
}

MQuaternion MQuaternion::fromRotationMatrix(const double r[3][3]) {
    // Shepperd's method on the column-vector matrix c[i][j] = r[j][i], branching on the largest
    // diagonal term so that the square root never takes a small argument.
    MQuaternion q;
    const double trace = r[0][0] + r[1][1] + r[2][2];
    if (trace > 0.0) {
        const double s = 2.0 * std::sqrt(trace + 1.0);
        q.w = s / 4.0;
        q.x = (r[1][2] - r[2][1]) / s;
        q.y = (r[2][0] - r[0][2]) / s;
        q.z = (r[0][1] - r[1][0]) / s;
    } else if (r[0][0] > r[1][1] && r[0][0] > r[2][2]) {
        const double s = 2.0 * std::sqrt(1.0 + r[0][0] - r[1][1] - r[2][2]);
        q.w = (r[1][2] - r[2][1]) / s;
        q.x = s / 4.0;
        q.y = (r[1][0] + r[0][1]) / s;
        q.z = (r[2][0] + r[0][2]) / s;
    } else if (r[1][1] > r[2][2]) {
        const double s = 2.0 * std::sqrt(1.0 + r[1][1] - r[0][0] - r[2][2]);
        q.w = (r[2][0] - r[0][2]) / s;
        q.x = (r[1][0] + r[0][1]) / s;
        q.y = s / 4.0;
        q.z = (r[2][1] + r[1][2]) / s;
    } else {
        const double s = 2.0 * std::sqrt(1.0 + r[2][2] - r[0][0] - r[1][1]);
        q.w = (r[0][1] - r[1][0]) / s;
        q.x = (r[2][0] + r[0][2]) / s;
        q.y = (r[2][1] + r[1][2]) / s;
        q.z = s / 4.0;
    }
    return q;
}

MVector MVector::rotateBy(const MQuaternion& q) const {
    // v + 2w (q x v) + 2 q x (q x v), with q the quaternion's vector part.
    const MVector axis(q.x, q.y, q.z);
    const MVector t = (axis ^ *this) * 2.0;
    return *this + t * q.w + (axis ^ t);
}
