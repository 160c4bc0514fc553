#include "MDGModifier.h"

#include "DagNode.h"
#include "HostSession.h"

namespace {

MStatus noNode() {
    return MStatus(MStatus::kInvalidParameter, "Object does not exist");
}

struct Ends {
    std::shared_ptr<SceneNode> source, destination;
    PlugAddress from, to;
};

bool endsOf(const MPlug& source, const MPlug& destination, Ends& ends) {
    ends.source = source.node().shared<SceneNode>();
    ends.destination = destination.node().shared<SceneNode>();
    ends.from = source.address();
    ends.to = destination.address();
    return ends.source && ends.destination && !source.isNull() && !destination.isNull();
}

} // namespace

MDGModifier::~MDGModifier() = default;

void MDGModifier::record(std::function<MStatus()> apply, std::function<void()> revert) {
    auto operation = std::make_shared<Operation>();
    operation->apply = std::move(apply);
    operation->revert = std::move(revert);
    operations_.push_back(std::move(operation));
}

MObject MDGModifier::create(const std::shared_ptr<const NodeType>& type, MStatus* status) {
    if (!type) {
        setStatus(status, MStatus(MStatus::kInvalidParameter, "Unknown node type"));
        return MObject();
    }
    const std::shared_ptr<SceneNode> node = type->create(type);
    node->setName(type->name() + "1");
    record(
        [node] {
            hostSession().scene.addNode(node, node->name());
            return MStatus();
        },
        [node] { hostSession().scene.remove(node); });
    setStatus(status, MStatus::kSuccess);
    return MObject(node);
}

MObject MDGModifier::createNode(const MString& type, MStatus* status) {
    return create(hostSession().plugins.findType(type.str()), status);
}

MObject MDGModifier::createNode(const MTypeId& type, MStatus* status) {
    return create(hostSession().plugins.findType(type), status);
}

MStatus MDGModifier::deleteNode(const MObject& node) {
    const auto target = node.shared<SceneNode>();
    if (!target) return noNode();
    auto removals = std::make_shared<std::vector<NodeRemoval>>();
    record(
        [target, removals] {
            if (!target->inScene()) return noNode();
            *removals = hostSession().scene.remove(target);
            return MStatus();
        },
        [removals] { hostSession().scene.restore(*removals); });
    return MStatus::kSuccess;
}

MStatus MDGModifier::renameNode(const MObject& node, const MString& name) {
    const auto target = node.shared<SceneNode>();
    if (!target) return noNode();
    auto before = std::make_shared<std::string>();
    record(
        [target, before, wanted = name.str()] {
            *before = target->name();
            return target->inScene() ? hostSession().scene.rename(*target, wanted) : noNode();
        },
        [target, before] { target->setName(*before); });
    return MStatus::kSuccess;
}

MStatus MDGModifier::connect(const MPlug& source, const MPlug& destination) {
    Ends ends;
    if (!endsOf(source, destination, ends)) return noNode();
    record([ends] { return hostSession().scene.connect(ends.source, ends.from, ends.destination, ends.to); },
           [ends] { hostSession().scene.disconnect(ends.source, ends.from, ends.destination, ends.to); });
    return MStatus::kSuccess;
}

MStatus MDGModifier::connect(const MObject& sourceNode, const MObject& sourceAttribute, const MObject& destinationNode,
                             const MObject& destinationAttribute) {
    return connect(MPlug(sourceNode, sourceAttribute), MPlug(destinationNode, destinationAttribute));
}

MStatus MDGModifier::disconnect(const MPlug& source, const MPlug& destination) {
    Ends ends;
    if (!endsOf(source, destination, ends)) return noNode();
    record([ends] { return hostSession().scene.disconnect(ends.source, ends.from, ends.destination, ends.to); },
           [ends] { hostSession().scene.connect(ends.source, ends.from, ends.destination, ends.to); });
    return MStatus::kSuccess;
}

MStatus MDGModifier::disconnect(const MObject& sourceNode, const MObject& sourceAttribute,
                                const MObject& destinationNode, const MObject& destinationAttribute) {
    return disconnect(MPlug(sourceNode, sourceAttribute), MPlug(destinationNode, destinationAttribute));
}

MStatus MDGModifier::doIt() {
    for (const std::shared_ptr<Operation>& operation : operations_) {
        if (operation->done) continue;
        const MStatus status = operation->apply();
        if (!status) return status;
        operation->done = true;
    }
    return MStatus::kSuccess;
}

MStatus MDGModifier::undoIt() {
    for (auto operation = operations_.rbegin(); operation != operations_.rend(); ++operation) {
        if (!(*operation)->done) continue;
        (*operation)->revert();
        (*operation)->done = false;
    }
    return MStatus::kSuccess;
}

MObject MDagModifier::createNode(const MString& type, const MObject& parent, MStatus* status) {
    const std::shared_ptr<const NodeType> nodeType = hostSession().plugins.findType(type.str());
    const MObject node = create(nodeType, status);
    const auto dag = node.shared<DagNode>();
    if (!dag) return node;
    auto above = parent.shared<DagNode>();
    MObject returned = node;
    if (!above && !dag->hasFn(MFn::kTransform)) {
        returned = create(TransformNode::nodeType(), status);
        above = returned.shared<DagNode>();
        above->setName("polySurface1");
        dag->setName("polySurfaceShape1");
    }
    if (above) reparentNode(node, MObject(above));
    return returned;
}

MStatus MDagModifier::reparentNode(const MObject& node, const MObject& newParent) {
    const auto dag = node.shared<DagNode>();
    const auto parent = newParent.shared<DagNode>();
    if (!dag || (!newParent.isNull() && !parent)) return noNode();
    auto before = std::make_shared<std::pair<std::shared_ptr<DagNode>, size_t>>();
    record(
        [dag, parent, before] {
            *before = {dag->parentObject(), dag->childPosition()};
            return dag->setParent(parent) ? MStatus()
                                          : MStatus(MStatus::kInvalidParameter, "A node cannot go below itself");
        },
        [dag, before] { dag->setParent(before->first, before->second); });
    return MStatus::kSuccess;
}
