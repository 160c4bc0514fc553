#include "MFnDependencyNode.h"

#include "SceneNode.h"

namespace {

MStatus incompatible() {
    return MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method");
}

} // namespace

MFnDependencyNode::MFnDependencyNode(const MObject& node, MStatus* status)
    : object_(node), node_(node.as<SceneNode>()) {
    setStatus(status, node_ ? MStatus() : incompatible());
}

MString MFnDependencyNode::name(MStatus* status) const {
    setStatus(status, node_ ? MStatus() : incompatible());
    return node_ ? MString(node_->name()) : MString();
}

MString MFnDependencyNode::typeName(MStatus* status) const {
    setStatus(status, node_ ? MStatus() : incompatible());
    return node_ ? MString(node_->typeName()) : MString();
}

MPlug MFnDependencyNode::findPlug(const MString& attribute, bool, MStatus* status) const {
    const int index = node_ ? node_->findAttribute(attribute.str()) : -1;
    if (index < 0) {
        setStatus(status, node_ ? MStatus(MStatus::kInvalidParameter, "No such attribute") : incompatible());
        return MPlug();
    }
    setStatus(status, MStatus::kSuccess);
    return MPlug(object_, index);
}
