#include "MFnDependencyNode.h"

#include "HostSession.h"
#include "MPxNode.h"
#include "SceneNode.h"

namespace {

MStatus incompatible() {
    return MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method");
}

MObject createOfType(const std::shared_ptr<const NodeType>& type, MStatus* status) {
    if (!type) {
        setStatus(status, MStatus(MStatus::kInvalidParameter, "Unknown node type"));
        return MObject();
    }
    const std::shared_ptr<SceneNode> node = type->create(type);
    hostSession().scene.addNode(node, type->name() + "1");
    setStatus(status, MStatus::kSuccess);
    return MObject(node);
}

} // namespace

MFnDependencyNode::MFnDependencyNode(const MObject& node, MStatus* status) {
    setStatus(status, setObject(node));
}

MStatus MFnDependencyNode::setObject(const MObject& node) {
    object_ = node;
    node_ = node.as<SceneNode>();
    return node_ ? MStatus() : incompatible();
}

MObject MFnDependencyNode::object(MStatus* status) const {
    setStatus(status, node_ ? MStatus() : incompatible());
    return object_;
}

MObject MFnDependencyNode::create(const MString& type, MStatus* status) {
    const MObject made = createOfType(hostSession().plugins.findType(type.str()), status);
    if (!made.isNull()) setObject(made);
    return made;
}

MObject MFnDependencyNode::create(const MTypeId& type, MStatus* status) {
    const MObject made = createOfType(hostSession().plugins.findType(type), status);
    if (!made.isNull()) setObject(made);
    return made;
}

MString MFnDependencyNode::name(MStatus* status) const {
    setStatus(status, node_ ? MStatus() : incompatible());
    return node_ ? MString(node_->name()) : MString();
}

MString MFnDependencyNode::setName(const MString& name, MStatus* status) {
    if (!node_) {
        setStatus(status, incompatible());
        return MString();
    }
    const std::string unique = node_->inScene() ? hostSession().scene.uniqueName(name.str()) : name.str();
    const MStatus renamed = node_->inScene() ? hostSession().scene.rename(*node_, unique) : MStatus();
    if (renamed && !node_->inScene()) node_->setName(unique);
    setStatus(status, renamed);
    return MString(node_->name());
}

MString MFnDependencyNode::typeName(MStatus* status) const {
    setStatus(status, node_ ? MStatus() : incompatible());
    return node_ ? MString(node_->typeName()) : MString();
}

MTypeId MFnDependencyNode::typeId(MStatus* status) const {
    setStatus(status, node_ ? MStatus() : incompatible());
    return node_ ? node_->type().id() : MTypeId();
}

MPlug MFnDependencyNode::findPlug(const MString& attribute, bool, MStatus* status) const {
    const int index = node_ ? node_->findAttribute(attribute.str()) : -1;
    if (index < 0) {
        setStatus(status, node_ ? MStatus(MStatus::kInvalidParameter, "No such attribute") : incompatible());
        return MPlug();
    }
    setStatus(status, MStatus::kSuccess);
    return MPlug(object_, PlugAddress{index});
}

MPlug MFnDependencyNode::findPlug(const MObject& attribute, bool, MStatus* status) const {
    const AttributeDefinition* definition = attribute.as<AttributeDefinition>();
    const int index = node_ && definition ? node_->type().indexOf(definition) : -1;
    setStatus(status, index >= 0 ? MStatus() : MStatus(MStatus::kInvalidParameter, "No such attribute"));
    return index >= 0 ? MPlug(object_, PlugAddress{index}) : MPlug();
}

MObject MFnDependencyNode::attribute(const MString& name, MStatus* status) const {
    const int index = node_ ? node_->findAttribute(name.str()) : -1;
    setStatus(status, index >= 0 ? MStatus() : MStatus(MStatus::kInvalidParameter, "No such attribute"));
    return index >= 0 ? MObject(node_->type().attributeObject(index)) : MObject();
}

unsigned MFnDependencyNode::attributeCount(MStatus* status) const {
    setStatus(status, node_ ? MStatus() : incompatible());
    return node_ ? node_->type().attributeCount() : 0u;
}

MObject MFnDependencyNode::attribute(unsigned index, MStatus* status) const {
    const bool found = node_ && index < node_->type().attributeCount();
    setStatus(status, found ? MStatus() : MStatus(MStatus::kInvalidParameter, "No such attribute"));
    return found ? MObject(node_->type().attributeObject(static_cast<int>(index))) : MObject();
}

bool MFnDependencyNode::hasAttribute(const MString& name, MStatus* status) const {
    setStatus(status, node_ ? MStatus() : incompatible());
    return node_ && node_->findAttribute(name.str()) >= 0;
}

MPxNode* MFnDependencyNode::userNode(MStatus* status) const {
    const PluginNode* plugin = dynamic_cast<const PluginNode*>(node_);
    setStatus(status, plugin ? MStatus() : incompatible());
    return plugin ? plugin->userNode() : nullptr;
}
