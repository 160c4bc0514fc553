#pragma once

#include "Attribute.h"
#include "MObject.h"
#include "MStatus.h"
#include "NodeType.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// Where a value lives on a node: an attribute, one element of an array attribute (by logical
// index) and one number of a three-number value.
struct PlugAddress {
    int attribute = -1;
    int element = -1;
    int child = -1;

    bool operator==(const PlugAddress&) const = default;
    // True when one address holds or is the other (an array and its element, a value and
    // one of its numbers).
    bool overlaps(const PlugAddress& other) const;
};

// A node of the dependency graph: a unique name, a type and one stored value per attribute
// (a sparse map of elements for an array attribute), each with a dirty flag. Values change
// through Scene::setPlugValue, which marks what they affect dirty; reading through evaluate()
// brings a dirty value up to date by pulling its incoming connections or calling compute.
class SceneNode : public HostObject, public std::enable_shared_from_this<SceneNode> {
public:
    explicit SceneNode(std::shared_ptr<const NodeType> type);
    ~SceneNode() override;
    SceneNode(const SceneNode&) = delete;
    SceneNode& operator=(const SceneNode&) = delete;

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    const NodeType& type() const { return *type_; }
    const std::shared_ptr<const NodeType>& typeObject() const { return type_; }
    const std::string& typeName() const { return type_->name(); }
    MFn::Type apiType() const override { return type_->apiType(); }
    bool hasFn(MFn::Type kind) const override {
        return kind == MFn::kBase || kind == MFn::kNamedObject || kind == MFn::kDependencyNode || kind == apiType();
    }
    // A node that was added to the scene and not removed since.
    bool inScene() const { return inScene_; }
    void setInScene(bool inScene) { inScene_ = inScene; }

    int findAttribute(const std::string& name) const { return type_->find(name); }
    const AttributeDefinition& attribute(int index) const { return type_->attribute(index); }

    // The stored value at an address, without evaluating; false for a whole array or an
    // address the node does not have. A missing array element reads as the default value.
    virtual bool readValue(const PlugAddress& address, AttributeValue& value) const;
    // Stores a value (converted to the attribute's type) without marking anything dirty;
    // false for a whole array or a value that cannot be converted.
    bool storeValue(const PlugAddress& address, const AttributeValue& value);
    // Logical indices of the elements of an array attribute, ascending.
    virtual std::vector<unsigned> elementIndices(int attribute) const;
    bool hasElement(int attribute, unsigned logicalIndex) const;
    // Copies every element of an array attribute (whole-array connections and duplicates).
    const std::map<unsigned, AttributeValue>& elements(int attribute) const { return slots_[attribute].elements; }
    void setElements(int attribute, std::map<unsigned, AttributeValue> elements);

    bool isDirty(int attribute) const { return slots_[attribute].dirty; }
    void setDirty(int attribute, bool dirty) { slots_[attribute].dirty = dirty; }

    // Brings the attribute up to date: pulls its incoming connections, or computes it when
    // something affects it. Returns the status of the compute (an exception escaping a
    // compute becomes a failure).
    MStatus evaluate(int attribute);

    // The node's compute of one dirty attribute; kUnknownParameter when the node leaves the
    // attribute to the host, which then takes the stored value as current.
    virtual MStatus compute(int attribute);
    // Called after a stored value changed (not for values pulled through connections).
    virtual void valueChanged(const PlugAddress& address, const AttributeValue& before);
    // Called after the incoming connection of an attribute was removed.
    virtual void inputDisconnected(int attribute);
    // Copies every stored value of `other` (a node of the same type) into this one.
    void copyValuesFrom(const SceneNode& other);

private:
    struct Slot {
        AttributeValue value;
        std::map<unsigned, AttributeValue> elements;
        bool dirty = false;
        bool evaluating = false;
    };

    bool pullConnections(int attribute);

    std::shared_ptr<const NodeType> type_;
    std::string name_;
    bool inScene_ = false;
    std::vector<Slot> slots_;
};
