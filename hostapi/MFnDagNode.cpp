#include "MFnDagNode.h"

#include "DagNode.h"
#include "HostSession.h"
#include "MeshNode.h"

namespace {

MStatus incompatible() {
    return MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method");
}

// A copy of one node with its values and without connections, in the scene under `parent`.
// A mesh copy keeps the mesh it shows as its own geometry.
std::shared_ptr<DagNode> copyNode(DagNode& original, const std::shared_ptr<DagNode>& parent) {
    auto copy = std::static_pointer_cast<DagNode>(original.type().create(original.typeObject()));
    copy->copyValuesFrom(original);
    if (auto mesh = dynamic_cast<MeshNode*>(&original)) {
        copy->storeValue({mesh->outMeshAttribute()}, copyMesh(mesh->outputMesh()));
        copy->setDirty(mesh->outMeshAttribute(), false);
    }
    copy->setParent(parent);
    hostSession().scene.addNode(copy, original.name());
    return copy;
}

std::shared_ptr<DagNode> copyTree(DagNode& original, const std::shared_ptr<DagNode>& parent) {
    std::shared_ptr<DagNode> copy = copyNode(original, parent);
    for (const std::shared_ptr<DagNode>& child : original.children())
        copyTree(*child, copy);
    return copy;
}

} // namespace

MFnDagNode::MFnDagNode(const MObject& node, MStatus* status) : MFnDependencyNode(node) {
    setStatus(status, dag() ? MStatus() : incompatible());
}

MFnDagNode::MFnDagNode(const MDagPath& path, MStatus* status) : MFnDagNode(path.node(), status) {}

DagNode* MFnDagNode::dag() const {
    return dynamic_cast<DagNode*>(node());
}

MObject MFnDagNode::duplicate(bool instance, bool, MStatus* status) const {
    DagNode* original = dag();
    if (!original || !original->inScene() || instance) {
        setStatus(status, original ? MStatus(MStatus::kNotImplemented, "Instances are not supported") : incompatible());
        return MObject();
    }
    setStatus(status, MStatus::kSuccess);
    if (original->hasFn(MFn::kTransform)) return MObject(copyTree(*original, original->parentObject()));
    const std::shared_ptr<DagNode> holder =
        std::static_pointer_cast<DagNode>(TransformNode::nodeType()->create(TransformNode::nodeType()));
    const DagNode* above = original->parent();
    if (above) holder->copyValuesFrom(*above);
    hostSession().scene.addNode(holder, above ? above->name() : "transform1");
    copyTree(*original, holder);
    return MObject(holder);
}

unsigned MFnDagNode::parentCount(MStatus* status) const {
    setStatus(status, dag() ? MStatus() : incompatible());
    return dag() && dag()->parent() ? 1u : 0u;
}

MObject MFnDagNode::parent(unsigned index, MStatus* status) const {
    const bool found = dag() && dag()->parent() && index == 0;
    setStatus(status, found ? MStatus() : MStatus(MStatus::kInvalidParameter, "No parent at that index"));
    return found ? MObject(dag()->parentObject()) : MObject();
}

unsigned MFnDagNode::childCount(MStatus* status) const {
    setStatus(status, dag() ? MStatus() : incompatible());
    return dag() ? static_cast<unsigned>(dag()->children().size()) : 0u;
}

MObject MFnDagNode::child(unsigned index, MStatus* status) const {
    const auto children = dag() ? dag()->children() : std::vector<std::shared_ptr<DagNode>>();
    const bool found = index < children.size();
    setStatus(status, found ? MStatus() : MStatus(MStatus::kInvalidParameter, "No child at that index"));
    return found ? MObject(children[index]) : MObject();
}

bool MFnDagNode::isIntermediateObject(MStatus* status) const {
    setStatus(status, dag() ? MStatus() : incompatible());
    return dag() && dag()->isIntermediate();
}

MStatus MFnDagNode::setIntermediateObject(bool intermediate) {
    if (!dag()) return incompatible();
    return hostSession().scene.setPlugValue(*dag(), {dag()->findAttribute("intermediateObject")}, intermediate);
}

MStatus MFnDagNode::getPath(MDagPath& path) const {
    return MDagPath::getAPathTo(object(), path);
}

MString MFnDagNode::fullPathName(MStatus* status) const {
    MDagPath path;
    const MStatus found = getPath(path);
    setStatus(status, found);
    return found ? path.fullPathName() : MString();
}
