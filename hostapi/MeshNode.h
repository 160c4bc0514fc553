#pragma once

#include "DagNode.h"

// A polygon mesh shape. With construction history ("inMesh" connected) its "outMesh" is the
// incoming mesh with the vertex tweaks of "pnts" added. Without history the shape keeps its
// own geometry in "outMesh", and a tweak that changes moves its vertex there at once; a shape
// whose "inMesh" is disconnected keeps the last mesh it had.
class MeshNode : public DagNode {
public:
    explicit MeshNode(std::shared_ptr<const NodeType> type);
    static const std::shared_ptr<const NodeType>& nodeType();

    bool hasFn(MFn::Type type) const override { return type == MFn::kMesh || DagNode::hasFn(type); }
    bool hasHistory() const;
    // The evaluated output mesh (a MeshData object; null when the shape has none).
    MObject outputMesh();

    MStatus compute(int attribute) override;
    void valueChanged(const PlugAddress& address, const AttributeValue& before) override;
    void inputDisconnected(int attribute) override;

    int inMeshAttribute() const { return inMesh_; }
    int outMeshAttribute() const { return outMesh_; }

private:
    int inMesh_;
    int outMesh_;
    int pnts_;
};

// The host's tweak node: "output" is "inputPolymesh" with the vertex offsets of "tweak" added.
class PolyTweakNode : public SceneNode {
public:
    explicit PolyTweakNode(std::shared_ptr<const NodeType> type);
    static const std::shared_ptr<const NodeType>& nodeType();

    MStatus compute(int attribute) override;

private:
    int input_;
    int output_;
    int tweak_;
};

// A copy of a MeshData object (null stays null).
MObject copyMesh(const MObject& mesh);

class MeshData;
// The mesh data behind an object: a MeshData object itself, or the evaluated output of a mesh
// shape node; null for anything else.
MeshData* meshDataOf(const MObject& object);
