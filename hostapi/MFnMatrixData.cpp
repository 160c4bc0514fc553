#include "MFnMatrixData.h"

MFnMatrixData::MFnMatrixData(const MObject& data, MStatus* status) : data_(data.as<MatrixData>()) {
    setStatus(status,
              data_ ? MStatus() : MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method"));
}

MMatrix MFnMatrixData::matrix(MStatus* status) const {
    setStatus(status,
              data_ ? MStatus() : MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method"));
    return data_ ? data_->matrix : MMatrix();
}
