#include "MFnNumericData.h"

#include <memory>

namespace {

MStatus incompatible() {
    return MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method");
}

} // namespace

MFnNumericData::MFnNumericData(const MObject& data, MStatus* status) : object_(data), data_(data.as<NumericData>()) {
    setStatus(status, data_ ? MStatus() : incompatible());
}

MObject MFnNumericData::create(Type type, MStatus* status) {
    if (type != k3Float && type != k3Double) {
        setStatus(status, incompatible());
        return MObject();
    }
    auto data = std::make_shared<NumericData>(type == k3Float ? NumericData::Kind::Float3 : NumericData::Kind::Double3);
    data_ = data.get();
    object_ = MObject(data);
    setStatus(status, MStatus::kSuccess);
    return object_;
}

MStatus MFnNumericData::setData(float x, float y, float z) {
    return setData(static_cast<double>(x), static_cast<double>(y), static_cast<double>(z));
}

MStatus MFnNumericData::setData(double x, double y, double z) {
    if (!data_) return incompatible();
    const bool single = data_->kind == NumericData::Kind::Float3;
    data_->values[0] = single ? static_cast<float>(x) : x;
    data_->values[1] = single ? static_cast<float>(y) : y;
    data_->values[2] = single ? static_cast<float>(z) : z;
    return MStatus::kSuccess;
}

MStatus MFnNumericData::getData(float& x, float& y, float& z) const {
    if (!data_) return incompatible();
    x = static_cast<float>(data_->values[0]);
    y = static_cast<float>(data_->values[1]);
    z = static_cast<float>(data_->values[2]);
    return MStatus::kSuccess;
}

MStatus MFnNumericData::getData(double& x, double& y, double& z) const {
    if (!data_) return incompatible();
    x = data_->values[0];
    y = data_->values[1];
    z = data_->values[2];
    return MStatus::kSuccess;
}
