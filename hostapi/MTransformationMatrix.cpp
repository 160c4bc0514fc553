#include "MTransformationMatrix.h"

MVector MTransformationMatrix::getTranslation(MSpace::Space space, MStatus* status) const {
    if (space == MSpace::kInvalid || space >= MSpace::kLast) {
        setStatus(status, MStatus::kInvalidParameter);
        return MVector();
    }
    setStatus(status, MStatus::kSuccess);
    return {matrix_[3][0], matrix_[3][1], matrix_[3][2]};
}

MQuaternion MTransformationMatrix::rotation() const {
    double rows[3][3];
    for (int row = 0; row < 3; ++row) {
        const MVector axis = MVector(matrix_[row][0], matrix_[row][1], matrix_[row][2]).normal();
        rows[row][0] = axis.x;
        rows[row][1] = axis.y;
        rows[row][2] = axis.z;
    }
    return MQuaternion::fromRotationMatrix(rows);
}
