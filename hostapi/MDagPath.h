#pragma once

#include "MFn.h"
#include "MMatrix.h"
#include "MObject.h"
#include "MStatus.h"
#include "MString.h"

#include <memory>

class DagNode;

// The path from the world to a DAG node. This stand-in has no instancing, so a node has one
// path, named by its ancestors ("|pCube1|pCubeShape1").
class MDagPath {
public:
    MDagPath() = default;
    static MStatus getAPathTo(const MObject& node, MDagPath& path);

    // True while the path's node exists and is in the scene.
    bool isValid(MStatus* status = nullptr) const;
    MObject node(MStatus* status = nullptr) const;
    // The transform at the path's end, or above its shape.
    MObject transform(MStatus* status = nullptr) const;
    MString fullPathName(MStatus* status = nullptr) const;
    MString partialPathName(MStatus* status = nullptr) const;
    // Extends a path that ends at a transform to its one shape (intermediate shapes not
    // counted); fails when there is none or several. A path ending at a shape stays.
    MStatus extendToShape();
    MStatus extendToShapeDirectlyBelow(unsigned index);
    MStatus numberOfShapesDirectlyBelow(unsigned& count) const;
    MStatus pop(unsigned levels = 1);
    unsigned length(MStatus* status = nullptr) const;
    MMatrix inclusiveMatrix(MStatus* status = nullptr) const;
    MMatrix exclusiveMatrix(MStatus* status = nullptr) const;
    MFn::Type apiType(MStatus* status = nullptr) const;
    bool hasFn(MFn::Type type, MStatus* status = nullptr) const;

    bool operator==(const MDagPath& other) const { return node_.lock() == other.node_.lock(); }

private:
    std::shared_ptr<DagNode> end() const;

    std::weak_ptr<DagNode> node_;
};
