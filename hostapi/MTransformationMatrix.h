#pragma once

#include "MMatrix.h"
#include "MQuaternion.h"
#include "MSpace.h"
#include "MStatus.h"
#include "MVector.h"

// A transformation matrix taken apart: translation, rotation and scale. A bare matrix has no
// parent, so every space gives its own translation.
class MTransformationMatrix {
public:
    MTransformationMatrix() = default;
    explicit MTransformationMatrix(const MMatrix& matrix) : matrix_(matrix) {}

    MVector getTranslation(MSpace::Space space, MStatus* status = nullptr) const;
    // The rotation with the scale divided out of the matrix's rows.
    MQuaternion rotation() const;
    MMatrix asMatrix() const { return matrix_; }

private:
    MMatrix matrix_;
};
