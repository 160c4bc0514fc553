#include "MMatrix.h"

#include "MPoint.h"
#include "MVector.h"

#include <cmath>
#include <utility>

const MMatrix MMatrix::identity;

MMatrix::MMatrix(const double values[4][4]) {
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            matrix[row][column] = values[row][column];
}

MMatrix MMatrix::operator*(const MMatrix& right) const {
    MMatrix product;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += matrix[row][k] * right.matrix[k][column];
            product.matrix[row][column] = sum;
        }
    return product;
}

MMatrix MMatrix::transpose() const {
    MMatrix result;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            result.matrix[row][column] = matrix[column][row];
    return result;
}

MMatrix MMatrix::inverse() const {
    // Gauss-Jordan elimination with partial pivoting on [M | I].
    double work[4][8];
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            work[row][column] = matrix[row][column];
            work[row][column + 4] = row == column ? 1.0 : 0.0;
        }
    for (int column = 0; column < 4; ++column) {
        int pivot = column;
        for (int row = column + 1; row < 4; ++row)
            if (std::fabs(work[row][column]) > std::fabs(work[pivot][column])) pivot = row;
        if (std::fabs(work[pivot][column]) < 1e-300) return MMatrix();
        std::swap(work[pivot], work[column]);
        const double scale = 1.0 / work[column][column];
        for (double& value : work[column])
            value *= scale;
        for (int row = 0; row < 4; ++row) {
            if (row == column) continue;
            const double factor = work[row][column];
            for (int k = 0; k < 8; ++k)
                work[row][k] -= factor * work[column][k];
        }
    }
    MMatrix result;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            result.matrix[row][column] = work[row][column + 4];
    return result;
}

bool MMatrix::isEquivalent(const MMatrix& other, double tolerance) const {
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            if (std::fabs(matrix[row][column] - other.matrix[row][column]) > tolerance) return false;
    return true;
}

MPoint MPoint::operator*(const MMatrix& m) const {
    return {
        x * m[0][0] + y * m[1][0] + z * m[2][0] + w * m[3][0], x * m[0][1] + y * m[1][1] + z * m[2][1] + w * m[3][1],
        x * m[0][2] + y * m[1][2] + z * m[2][2] + w * m[3][2], x * m[0][3] + y * m[1][3] + z * m[2][3] + w * m[3][3]};
}

MVector MVector::operator*(const MMatrix& m) const {
    return {x * m[0][0] + y * m[1][0] + z * m[2][0], x * m[0][1] + y * m[1][1] + z * m[2][1],
            x * m[0][2] + y * m[1][2] + z * m[2][2]};
}

MStatus MMatrix::get(double values[4][4]) const {
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            values[row][column] = matrix[row][column];
    return MStatus::kSuccess;
}
