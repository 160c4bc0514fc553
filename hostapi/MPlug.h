#pragma once

#include "MArray.h"
#include "MObject.h"
#include "MStatus.h"
#include "MString.h"
#include "SceneNode.h"

class MPlug;
using MPlugArray = MArray<MPlug>;

// One attribute of one node, one element of an array attribute, or one number of a
// three-number value. A default plug is null. Reading a value evaluates the plug first (pull
// evaluation); writing marks what it affects dirty.
class MPlug {
public:
    MPlug() = default;
    // The plug of an attribute (a definition made by an attribute function set) of a node.
    MPlug(const MObject& node, const MObject& attribute);
    MPlug(const MObject& node, const PlugAddress& address);

    bool isNull() const;
    bool isArray() const;
    bool isElement() const;
    bool isChild() const;
    bool isCompound() const;
    MObject node() const { return node_; }
    MObject attribute(MStatus* status = nullptr) const;
    const PlugAddress& address() const { return address_; }
    // "node.attribute[index].child" with long names; partialName uses the short ones without
    // the node.
    MString name(MStatus* status = nullptr) const;
    MString partialName() const;

    // Elements that exist of an array plug.
    unsigned numElements(MStatus* status = nullptr) const;
    MPlug elementByPhysicalIndex(unsigned index, MStatus* status = nullptr) const;
    MPlug elementByLogicalIndex(unsigned index, MStatus* status = nullptr) const;
    unsigned logicalIndex(MStatus* status = nullptr) const;
    unsigned numChildren(MStatus* status = nullptr) const;
    MPlug child(unsigned index, MStatus* status = nullptr) const;
    // The array an element belongs to, and the value a number belongs to.
    MPlug array(MStatus* status = nullptr) const;
    MPlug parent(MStatus* status = nullptr) const;

    bool isConnected(MStatus* status = nullptr) const;
    // The plug feeding this one (asDst) and the plugs this one feeds (asSrc); true when any.
    bool connectedTo(MPlugArray& plugs, bool asDst, bool asSrc, MStatus* status = nullptr) const;

    // A mesh comes as a copy of the mesh data, a matrix as matrix data, three numbers as
    // numeric data.
    MStatus getValue(MObject& value) const;
    MStatus setValue(const MObject& value);
    MObject asMObject(MStatus* status = nullptr) const;
    MStatus setMObject(const MObject& value) { return setValue(value); }
    bool asBool(MStatus* status = nullptr) const;
    short asShort(MStatus* status = nullptr) const;
    int asInt(MStatus* status = nullptr) const;
    float asFloat(MStatus* status = nullptr) const;
    double asDouble(MStatus* status = nullptr) const;
    MString asString(MStatus* status = nullptr) const;
    MStatus setBool(bool value) { return store(value); }
    MStatus setShort(short value) { return store(static_cast<int>(value)); }
    MStatus setInt(int value) { return store(value); }
    MStatus setFloat(float value) { return store(value); }
    MStatus setDouble(double value) { return store(value); }
    MStatus setString(const MString& value) { return store(value); }
    MStatus setValue(bool value) { return store(value); }
    MStatus setValue(int value) { return store(value); }
    MStatus setValue(float value) { return store(value); }
    MStatus setValue(double value) { return store(value); }
    MStatus setValue(const MString& value) { return store(value); }
    MStatus setValue(const char* value) { return store(MString(value)); }

    // The evaluated value at the plug; false (and a failure) for a null plug or a whole array.
    bool readValue(AttributeValue& value, MStatus* status = nullptr) const;
    MStatus store(const AttributeValue& value);

    bool operator==(const MPlug& other) const { return node_ == other.node_ && address_ == other.address_; }

private:
    SceneNode* sceneNode() const { return node_.as<SceneNode>(); }
    const AttributeDefinition* definition() const;

    MObject node_;
    PlugAddress address_;
};
