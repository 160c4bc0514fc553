#pragma once

#include "MStatus.h"

// 4x4 double matrix in the host's row-vector convention: a point p maps to p * M and the
// translation lives in row 3.
class MMatrix {
public:
    double matrix[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    MMatrix() = default;
    explicit MMatrix(const double values[4][4]);

    double operator()(unsigned row, unsigned column) const { return matrix[row][column]; }
    double& operator()(unsigned row, unsigned column) { return matrix[row][column]; }
    const double* operator[](unsigned row) const { return matrix[row]; }
    double* operator[](unsigned row) { return matrix[row]; }

    MStatus get(double values[4][4]) const;
    MMatrix operator*(const MMatrix& right) const;
    MMatrix transpose() const;
    // The inverse; a singular matrix gives the identity.
    MMatrix inverse() const;
    bool isEquivalent(const MMatrix& other, double tolerance = 1e-10) const;

    static const MMatrix identity;
};
