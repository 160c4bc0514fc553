#pragma once

#include "MObject.h"
#include "MStatus.h"

class SceneNode;

// One attribute of one node, or one element of an array attribute. A default plug is null.
class MPlug {
public:
    MPlug() = default;
    MPlug(const MObject& node, int attribute) : node_(node), attribute_(attribute) {}

    bool isNull() const;
    bool isArray() const;
    MObject node() const { return node_; }

    // Elements that exist of an array plug.
    unsigned numElements(MStatus* status = nullptr) const;
    MPlug elementByPhysicalIndex(unsigned index, MStatus* status = nullptr) const;

    // The value: a matrix comes as a matrix data object (read it with MFnMatrixData).
    MObject asMObject(MStatus* status = nullptr) const;
    double asDouble(MStatus* status = nullptr) const;
    bool asBool(MStatus* status = nullptr) const;

private:
    const SceneNode* sceneNode() const;
    // The value of a plain attribute or an array element as a T; false when it is not one.
    template <typename T>
    bool read(T& value, MStatus* status) const;

    MObject node_;
    int attribute_ = -1;
    int element_ = -1;
};
