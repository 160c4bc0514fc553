#pragma once

#include "Attribute.h"
#include "MFn.h"
#include "MTypeId.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class SceneNode;

// A kind of node: its attributes in the order they were added, which attribute affects which,
// and how a node of the kind is made. The host's own kinds ("transform", "mesh", "camera",
// "polyTweak") are built in; a plug-in adds its own through MFnPlugin::registerNode.
class NodeType {
public:
    using Factory = std::function<std::shared_ptr<SceneNode>(std::shared_ptr<const NodeType>)>;

    NodeType(std::string name, MTypeId id, MFn::Type apiType, Factory factory);

    const std::string& name() const { return name_; }
    MTypeId id() const { return id_; }
    MFn::Type apiType() const { return apiType_; }
    std::shared_ptr<SceneNode> create(const std::shared_ptr<const NodeType>& self) const { return factory_(self); }

    // Adds an attribute; -1 when one of its names is taken on this type.
    int addAttribute(std::shared_ptr<AttributeDefinition> attribute);
    // Records that a change of `from` makes `to` out of date; false unless both were added.
    bool addAffects(const AttributeDefinition* from, const AttributeDefinition* to);

    unsigned attributeCount() const { return static_cast<unsigned>(attributes_.size()); }
    const AttributeDefinition& attribute(int index) const { return *attributes_[index]; }
    const std::shared_ptr<AttributeDefinition>& attributeObject(int index) const { return attributes_[index]; }
    // The index of an attribute by its definition or its long or short name; -1 when absent.
    int indexOf(const AttributeDefinition* attribute) const;
    int find(const std::string& name) const;
    const std::vector<int>& affected(int attribute) const { return affects_[attribute]; }
    // An attribute something else affects: its value comes from an evaluation.
    bool isComputed(int attribute) const { return computed_[attribute]; }

    // The plug-in that registered the type; empty for the host's own.
    std::string plugin;

private:
    std::string name_;
    MTypeId id_;
    MFn::Type apiType_;
    Factory factory_;
    std::vector<std::shared_ptr<AttributeDefinition>> attributes_;
    std::vector<std::vector<int>> affects_;
    std::vector<bool> computed_;
};

// The attribute every node has: its state (0 normal, 1 has no effect, 2 blocking).
const std::shared_ptr<AttributeDefinition>& nodeStateAttribute();
