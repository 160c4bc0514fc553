#pragma once

#include "MDagPath.h"
#include "MFnDependencyNode.h"
#include "MObject.h"
#include "MStatus.h"

class DagNode;

// Function set over a DAG node.
class MFnDagNode : public MFnDependencyNode {
public:
    explicit MFnDagNode(const MObject& node, MStatus* status = nullptr);
    explicit MFnDagNode(const MDagPath& path, MStatus* status = nullptr);

    // Copies the node and everything below it into the scene under new names, without
    // connections. Duplicating a transform returns the new transform; duplicating a shape
    // returns a new transform holding the copied shape. Instancing is not supported.
    MObject duplicate(bool instance = false, bool instanceLeaf = false, MStatus* status = nullptr) const;
    unsigned parentCount(MStatus* status = nullptr) const;
    MObject parent(unsigned index, MStatus* status = nullptr) const;
    unsigned childCount(MStatus* status = nullptr) const;
    MObject child(unsigned index, MStatus* status = nullptr) const;
    bool isIntermediateObject(MStatus* status = nullptr) const;
    MStatus setIntermediateObject(bool intermediate);
    MStatus getPath(MDagPath& path) const;
    MString fullPathName(MStatus* status = nullptr) const;

private:
    DagNode* dag() const;
};
