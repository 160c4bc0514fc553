#pragma once

#include "MObject.h"
#include "MPlug.h"
#include "MStatus.h"
#include "MString.h"

class SceneNode;

// A handle on one stored value of the node being computed. Writing through a handle stores
// the value without marking anything dirty.
class MDataHandle {
public:
    MDataHandle() = default;
    MDataHandle(SceneNode* node, int attribute) : node_(node), attribute_(attribute) {}

    bool isNull() const { return node_ == nullptr; }
    bool asBool() const;
    short asShort() const;
    int asInt() const;
    float asFloat() const;
    double asDouble() const;
    // The string of a string attribute (an empty one for other attributes).
    MString& asString();
    // The mesh data object (null when there is none); the object stays the node's.
    MObject asMesh() const;
    MObject data() const { return asMesh(); }

    // Copies a mesh data object in.
    MStatus set(const MObject& mesh);
    MStatus setMObject(const MObject& mesh);
    void set(bool value) { store(value); }
    void set(int value) { store(value); }
    void set(float value) { store(value); }
    void set(double value) { store(value); }
    void set(const MString& value) { store(value); }
    void setBool(bool value) { store(value); }
    void setShort(short value) { store(static_cast<int>(value)); }
    void setInt(int value) { store(value); }
    void setFloat(float value) { store(value); }
    void setDouble(double value) { store(value); }
    void setString(const MString& value) { store(value); }
    void setClean();

private:
    bool store(const AttributeValue& value);
    double number() const;

    SceneNode* node_ = nullptr;
    int attribute_ = -1;
    MString scratch_;
};

// The values of the node being computed.
class MDataBlock {
public:
    explicit MDataBlock(SceneNode& node) : node_(node) {}

    // The value of an attribute brought up to date first (connections pulled, inputs
    // computed); a null handle and a failure for an attribute the node does not have.
    MDataHandle inputValue(const MObject& attribute, MStatus* status = nullptr);
    MDataHandle inputValue(const MPlug& plug, MStatus* status = nullptr);
    // The stored value, not evaluated: the place to write an output.
    MDataHandle outputValue(const MObject& attribute, MStatus* status = nullptr);
    MDataHandle outputValue(const MPlug& plug, MStatus* status = nullptr);
    MStatus setClean(const MObject& attribute);
    MStatus setClean(const MPlug& plug);

private:
    int indexOf(const MObject& attribute) const;
    MDataHandle handle(int attribute, bool evaluated, MStatus* status);

    SceneNode& node_;
};
