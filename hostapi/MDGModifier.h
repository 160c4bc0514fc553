#pragma once

#include "MObject.h"
#include "MPlug.h"
#include "MStatus.h"
#include "MString.h"
#include "MTypeId.h"

#include <functional>
#include <memory>
#include <vector>

// Records changes of the graph and carries them out on doIt; undoIt takes back every change
// carried out so far, the latest first, and a later doIt carries them all out again. A node
// made by createNode exists at once (its attributes can be set) but joins the scene on doIt.
// doIt stops at the first change that fails and returns its status; undoIt can still take
// back what was done before it.
class MDGModifier {
public:
    MDGModifier() = default;
    virtual ~MDGModifier();
    MDGModifier(const MDGModifier&) = delete;
    MDGModifier& operator=(const MDGModifier&) = delete;

    MObject createNode(const MString& type, MStatus* status = nullptr);
    MObject createNode(const MTypeId& type, MStatus* status = nullptr);
    MStatus deleteNode(const MObject& node);
    MStatus renameNode(const MObject& node, const MString& name);
    MStatus connect(const MPlug& source, const MPlug& destination);
    MStatus connect(const MObject& sourceNode, const MObject& sourceAttribute, const MObject& destinationNode,
                    const MObject& destinationAttribute);
    MStatus disconnect(const MPlug& source, const MPlug& destination);
    MStatus disconnect(const MObject& sourceNode, const MObject& sourceAttribute, const MObject& destinationNode,
                       const MObject& destinationAttribute);

    MStatus doIt();
    MStatus undoIt();

protected:
    // One recorded change: `apply` carries it out, `revert` takes it back.
    struct Operation {
        std::function<MStatus()> apply;
        std::function<void()> revert;
        bool done = false;
    };

    void record(std::function<MStatus()> apply, std::function<void()> revert);
    MObject create(const std::shared_ptr<const class NodeType>& type, MStatus* status);

private:
    std::vector<std::shared_ptr<Operation>> operations_;
};

// A graph modifier that also creates DAG nodes and moves them in the DAG.
class MDagModifier : public MDGModifier {
public:
    using MDGModifier::createNode;
    // Creates a DAG node under `parent`; a shape without a parent gets a new transform,
    // which is returned.
    MObject createNode(const MString& type, const MObject& parent, MStatus* status = nullptr);
    // Moves a node under a new parent (null: the world) on doIt.
    MStatus reparentNode(const MObject& node, const MObject& newParent = MObject::kNullObj);
};
