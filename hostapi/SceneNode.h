#pragma once

#include "MMatrix.h"
#include "MObject.h"
#include "MVector.h"

#include <memory>
#include <string>
#include <variant>
#include <vector>

// The value of one attribute element: a flag, a number, three numbers or a matrix.
using AttributeValue = std::variant<bool, double, MVector, MMatrix>;

// An attribute of a node type. An array attribute has one element per instance; a computed
// attribute is an output evaluated from the node's other attributes and its place in the DAG.
struct Attribute {
    std::string longName;
    std::string shortName;
    bool array = false;
    bool computed = false;
};

// A node of the in-memory scene: a unique name, a type name and typed attributes.
class SceneNode : public HostObject {
public:
    SceneNode(std::string name, std::string typeName) : name_(std::move(name)), typeName_(std::move(typeName)) {}

    const std::string& name() const { return name_; }
    const std::string& typeName() const { return typeName_; }

    // The attribute with this long or short name, or -1.
    int findAttribute(const std::string& name) const;
    const Attribute& attribute(int index) const { return attributes_[index]; }
    // Elements that exist of an array attribute; 1 for a plain one.
    virtual unsigned elementCount(int attribute) const;
    // One element's value; a computed attribute is evaluated now.
    virtual AttributeValue value(int attribute, unsigned element) const;
    // Stores the value of a plain attribute; false for a computed one or a value of another kind.
    bool setValue(int attribute, const AttributeValue& value);

protected:
    int addAttribute(Attribute attribute, AttributeValue initial);

private:
    std::string name_;
    std::string typeName_;
    std::vector<Attribute> attributes_;
    std::vector<AttributeValue> values_;
};

// A node in the DAG of transforms and shapes. Its "worldMatrix" holds, per instance, the
// product of its own matrix and every parent's.
class DagNode : public SceneNode {
public:
    DagNode(std::string name, std::string typeName, std::shared_ptr<const DagNode> parent);

    const DagNode* parent() const { return parent_.get(); }
    // The node's matrix relative to its parent; shapes have none of their own.
    virtual MMatrix localMatrix() const { return MMatrix(); }
    MMatrix worldMatrix() const;

    AttributeValue value(int attribute, unsigned element) const override;

private:
    std::shared_ptr<const DagNode> parent_;
    int worldMatrix_;
};

// A transform: translation and rotation in degrees, rotated about x, then y, then z.
class TransformNode : public DagNode {
public:
    TransformNode(std::string name, std::shared_ptr<const DagNode> parent);
    MMatrix localMatrix() const override;

    void setTranslation(const MVector& translation) { setValue(translate_, translation); }
    void setRotation(const MVector& degrees) { setValue(rotate_, degrees); }

private:
    int translate_;
    int rotate_;
};

// A camera shape: orthographic or perspective, with its view width or focal length.
class CameraNode : public DagNode {
public:
    CameraNode(std::string name, std::shared_ptr<const DagNode> parent, bool orthographic, double orthographicWidth);
};
