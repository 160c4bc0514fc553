#pragma once

#include "MMatrix.h"
#include "MObject.h"
#include "MStatus.h"

// A matrix handed out as a data object, as a matrix plug's value is.
class MatrixData : public HostObject {
public:
    explicit MatrixData(const MMatrix& matrix) : matrix(matrix) {}
    MMatrix matrix;
};

// Function set over a matrix data object.
class MFnMatrixData {
public:
    explicit MFnMatrixData(const MObject& data, MStatus* status = nullptr);
    // The matrix; the identity when the object holds none.
    MMatrix matrix(MStatus* status = nullptr) const;

private:
    const MatrixData* data_ = nullptr;
};
