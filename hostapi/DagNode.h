#pragma once

#include "MMatrix.h"
#include "MVector.h"
#include "SceneNode.h"

#include <memory>
#include <vector>

// A node in the DAG of transforms and shapes: one parent (none for a node at the world's
// root) and ordered children. Its "worldMatrix" (one element, this stand-in has no
// instancing) is its own matrix times every parent's.
class DagNode : public SceneNode {
public:
    explicit DagNode(std::shared_ptr<const NodeType> type);

    MFn::Type apiType() const override { return type().apiType(); }
    bool hasFn(MFn::Type type) const override;

    DagNode* parent() const { return parent_.get(); }
    const std::shared_ptr<DagNode>& parentObject() const { return parent_; }
    // Living children in order.
    std::vector<std::shared_ptr<DagNode>> children() const;
    // Moves the node under `parent` (null for the world) at `position` among its children
    // (the end when past it). A node cannot go under itself or one of its descendants.
    bool setParent(const std::shared_ptr<DagNode>& parent, size_t position = SIZE_MAX);
    // The node's place among its parent's children.
    size_t childPosition() const;
    bool isAncestorOf(const DagNode& node) const;

    // The node's matrix relative to its parent; shapes have none of their own.
    virtual MMatrix localMatrix() const { return MMatrix(); }
    MMatrix worldMatrix() const;

    bool isIntermediate() const;

    bool readValue(const PlugAddress& address, AttributeValue& value) const override;
    std::vector<unsigned> elementIndices(int attribute) const override;

    // Adds the attributes every DAG node has to a type.
    static void addDagAttributes(NodeType& type);

private:
    std::shared_ptr<DagNode> parent_;
    std::vector<std::weak_ptr<DagNode>> children_;
    int worldMatrix_;
    int intermediate_;
};

// A transform: translation and rotation in degrees, rotated about x, then y, then z.
class TransformNode : public DagNode {
public:
    explicit TransformNode(std::shared_ptr<const NodeType> type);
    static const std::shared_ptr<const NodeType>& nodeType();

    bool hasFn(MFn::Type type) const override { return type == MFn::kTransform || DagNode::hasFn(type); }
    MMatrix localMatrix() const override;
    MVector translation() const;
    MVector rotation() const;

private:
    int translate_;
    int rotate_;
};

// A camera shape: orthographic with its view width, or perspective with its focal length and
// film aperture.
class CameraNode : public DagNode {
public:
    explicit CameraNode(std::shared_ptr<const NodeType> type) : DagNode(std::move(type)) {}
    static const std::shared_ptr<const NodeType>& nodeType();

    bool hasFn(MFn::Type type) const override { return type == MFn::kCamera || DagNode::hasFn(type); }
    bool orthographic() const;
    double orthographicWidth() const;
    // Horizontal field of view in radians of a perspective camera.
    double horizontalFieldOfView() const;
};
