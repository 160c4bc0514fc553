#pragma once

#include "MObject.h"
#include "MStatus.h"
#include "SceneNode.h"

#include <memory>

class MDataBlock;
class MPlug;

// Base of a plug-in's node class. The host makes one through the creator given at
// registration, and calls compute for every dirty output that something reads.
class MPxNode {
public:
    enum Type { kDependNode = 0, kLocatorNode, kDeformerNode, kManipContainer, kSurfaceShape };

    MPxNode() = default;
    virtual ~MPxNode() = default;
    MPxNode(const MPxNode&) = delete;
    MPxNode& operator=(const MPxNode&) = delete;

    // Computes one output; the default leaves it to the host (kUnknownParameter).
    virtual MStatus compute(const MPlug& plug, MDataBlock& data);
    // Called once the node exists in the host, before anything else.
    virtual void postConstructor() {}

    // The host's handle of this node (null before the host has made it its own).
    MObject thisMObject() const;

    // Adds an attribute to the type whose initialize function is running.
    static MStatus addAttribute(const MObject& attribute);
    // Records, for the type whose initialize function is running, that a change of the first
    // attribute makes the second out of date.
    static MStatus attributeAffects(const MObject& whenChanges, const MObject& isAffected);

    // The state every node has (0 normal, 1 has no effect, 2 blocking), read as a short.
    static const MObject state;

private:
    friend class PluginNode;
    std::weak_ptr<SceneNode> self_;
};

// A node of a plug-in type: the host's node holding the plug-in's object.
class PluginNode : public SceneNode {
public:
    PluginNode(std::shared_ptr<const NodeType> type, std::unique_ptr<MPxNode> user);
    // Makes the host node for a new plug-in object and hands it the handle.
    static std::shared_ptr<PluginNode> make(std::shared_ptr<const NodeType> type, MPxNode* user);

    bool hasFn(MFn::Type kind) const override { return kind == MFn::kPluginDependNode || SceneNode::hasFn(kind); }
    MPxNode* userNode() const { return user_.get(); }
    MStatus compute(int attribute) override;

private:
    std::unique_ptr<MPxNode> user_;
};
