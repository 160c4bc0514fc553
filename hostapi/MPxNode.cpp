#include "MPxNode.h"

#include "HostSession.h"
#include "MDataBlock.h"
#include "MPlug.h"

const MObject MPxNode::state(nodeStateAttribute());

MStatus MPxNode::compute(const MPlug&, MDataBlock&) {
    return MStatus::kUnknownParameter;
}

MObject MPxNode::thisMObject() const {
    return MObject(self_.lock());
}

MStatus MPxNode::addAttribute(const MObject& attribute) {
    NodeType* type = hostSession().plugins.initializingType();
    auto definition = attribute.shared<AttributeDefinition>();
    if (!type || !definition) return MStatus(MStatus::kFailure, "No node type is being initialized");
    if (type->addAttribute(definition) < 0)
        return MStatus(MStatus::kInvalidParameter, "Attribute name already in use: " + definition->longName);
    return MStatus::kSuccess;
}

MStatus MPxNode::attributeAffects(const MObject& whenChanges, const MObject& isAffected) {
    NodeType* type = hostSession().plugins.initializingType();
    if (!type) return MStatus(MStatus::kFailure, "No node type is being initialized");
    if (!type->addAffects(whenChanges.as<AttributeDefinition>(), isAffected.as<AttributeDefinition>()))
        return MStatus(MStatus::kInvalidParameter, "Both attributes must have been added first");
    return MStatus::kSuccess;
}

PluginNode::PluginNode(std::shared_ptr<const NodeType> type, std::unique_ptr<MPxNode> user)
    : SceneNode(std::move(type)), user_(std::move(user)) {}

std::shared_ptr<PluginNode> PluginNode::make(std::shared_ptr<const NodeType> type, MPxNode* user) {
    auto node = std::make_shared<PluginNode>(std::move(type), std::unique_ptr<MPxNode>(user));
    if (user) {
        user->self_ = node;
        user->postConstructor();
    }
    return node;
}

MStatus PluginNode::compute(int attribute) {
    if (!user_) return MStatus::kUnknownParameter;
    MDataBlock data(*this);
    return user_->compute(MPlug(MObject(shared_from_this()), PlugAddress{attribute}), data);
}
