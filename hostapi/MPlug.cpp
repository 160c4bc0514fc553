#include "MPlug.h"

#include "MFnMatrixData.h"
#include "SceneNode.h"

#include <memory>

namespace {

MStatus invalidPlug() {
    return MStatus(MStatus::kInvalidParameter, "Plug is not valid for this operation");
}

} // namespace

const SceneNode* MPlug::sceneNode() const {
    return node_.as<SceneNode>();
}

bool MPlug::isNull() const {
    return sceneNode() == nullptr || attribute_ < 0;
}

bool MPlug::isArray() const {
    return !isNull() && sceneNode()->attribute(attribute_).array && element_ < 0;
}

unsigned MPlug::numElements(MStatus* status) const {
    setStatus(status, isArray() ? MStatus() : invalidPlug());
    return isArray() ? sceneNode()->elementCount(attribute_) : 0u;
}

MPlug MPlug::elementByPhysicalIndex(unsigned index, MStatus* status) const {
    if (!isArray() || index >= sceneNode()->elementCount(attribute_)) {
        setStatus(status, invalidPlug());
        return MPlug();
    }
    setStatus(status, MStatus::kSuccess);
    MPlug element(node_, attribute_);
    element.element_ = static_cast<int>(index);
    return element;
}

template <typename T>
bool MPlug::read(T& value, MStatus* status) const {
    const T* found = nullptr;
    AttributeValue stored;
    if (!isNull() && !isArray()) {
        stored = sceneNode()->value(attribute_, element_ < 0 ? 0u : static_cast<unsigned>(element_));
        found = std::get_if<T>(&stored);
    }
    setStatus(status, found ? MStatus() : invalidPlug());
    if (found) value = *found;
    return found != nullptr;
}

MObject MPlug::asMObject(MStatus* status) const {
    MMatrix matrix;
    return read(matrix, status) ? MObject(std::make_shared<MatrixData>(matrix)) : MObject();
}

double MPlug::asDouble(MStatus* status) const {
    double number = 0.0;
    read(number, status);
    return number;
}

bool MPlug::asBool(MStatus* status) const {
    bool flag = false;
    read(flag, status);
    return flag;
}
