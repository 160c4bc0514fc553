#include "MDagPath.h"

#include "DagNode.h"

#include <vector>

namespace {

MStatus invalidPath() {
    return MStatus(MStatus::kInvalidParameter, "Object does not exist");
}

bool isShape(const DagNode& node) {
    return !node.hasFn(MFn::kTransform);
}

std::vector<std::shared_ptr<DagNode>> shapesBelow(const DagNode& node) {
    std::vector<std::shared_ptr<DagNode>> shapes;
    for (const std::shared_ptr<DagNode>& child : node.children())
        if (isShape(*child) && !child->isIntermediate()) shapes.push_back(child);
    return shapes;
}

} // namespace

MStatus MDagPath::getAPathTo(const MObject& node, MDagPath& path) {
    auto dag = node.shared<DagNode>();
    if (!dag) return MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method");
    path.node_ = dag;
    return MStatus::kSuccess;
}

std::shared_ptr<DagNode> MDagPath::end() const {
    std::shared_ptr<DagNode> node = node_.lock();
    return node && node->inScene() ? node : nullptr;
}

bool MDagPath::isValid(MStatus* status) const {
    setStatus(status, MStatus::kSuccess);
    return end() != nullptr;
}

MObject MDagPath::node(MStatus* status) const {
    setStatus(status, end() ? MStatus() : invalidPath());
    return MObject(end());
}

MObject MDagPath::transform(MStatus* status) const {
    std::shared_ptr<DagNode> node = end();
    if (node && isShape(*node)) node = node->parentObject();
    setStatus(status, node ? MStatus() : invalidPath());
    return MObject(node);
}

MString MDagPath::fullPathName(MStatus* status) const {
    const std::shared_ptr<DagNode> node = end();
    setStatus(status, node ? MStatus() : invalidPath());
    std::string name;
    for (const DagNode* step = node.get(); step; step = step->parent())
        name = "|" + step->name() + name;
    return MString(name);
}

MString MDagPath::partialPathName(MStatus* status) const {
    const std::shared_ptr<DagNode> node = end();
    setStatus(status, node ? MStatus() : invalidPath());
    return node ? MString(node->name()) : MString();
}

MStatus MDagPath::extendToShape() {
    const std::shared_ptr<DagNode> node = end();
    if (!node) return invalidPath();
    if (isShape(*node)) return MStatus::kSuccess;
    const auto shapes = shapesBelow(*node);
    if (shapes.size() != 1)
        return MStatus(MStatus::kInvalidParameter,
                       shapes.empty() ? "No shape below the transform" : "Several shapes below the transform");
    node_ = shapes.front();
    return MStatus::kSuccess;
}

MStatus MDagPath::extendToShapeDirectlyBelow(unsigned index) {
    const std::shared_ptr<DagNode> node = end();
    if (!node) return invalidPath();
    const auto shapes = shapesBelow(*node);
    if (index >= shapes.size()) return MStatus(MStatus::kInvalidParameter, "No shape at that index");
    node_ = shapes[index];
    return MStatus::kSuccess;
}

MStatus MDagPath::numberOfShapesDirectlyBelow(unsigned& count) const {
    const std::shared_ptr<DagNode> node = end();
    if (!node) return invalidPath();
    count = static_cast<unsigned>(shapesBelow(*node).size());
    return MStatus::kSuccess;
}

MStatus MDagPath::pop(unsigned levels) {
    std::shared_ptr<DagNode> node = end();
    for (unsigned i = 0; node && i < levels; ++i)
        node = node->parentObject();
    if (!node) return invalidPath();
    node_ = node;
    return MStatus::kSuccess;
}

unsigned MDagPath::length(MStatus* status) const {
    const std::shared_ptr<DagNode> node = end();
    setStatus(status, node ? MStatus() : invalidPath());
    unsigned count = 0;
    for (const DagNode* step = node.get(); step; step = step->parent())
        ++count;
    return count;
}

MMatrix MDagPath::inclusiveMatrix(MStatus* status) const {
    const std::shared_ptr<DagNode> node = end();
    setStatus(status, node ? MStatus() : invalidPath());
    return node ? node->worldMatrix() : MMatrix();
}

MMatrix MDagPath::exclusiveMatrix(MStatus* status) const {
    const std::shared_ptr<DagNode> node = end();
    setStatus(status, node ? MStatus() : invalidPath());
    return node && node->parent() ? node->parent()->worldMatrix() : MMatrix();
}

MFn::Type MDagPath::apiType(MStatus* status) const {
    const std::shared_ptr<DagNode> node = end();
    setStatus(status, node ? MStatus() : invalidPath());
    return node ? node->apiType() : MFn::kInvalid;
}

bool MDagPath::hasFn(MFn::Type type, MStatus* status) const {
    const std::shared_ptr<DagNode> node = end();
    setStatus(status, node ? MStatus() : invalidPath());
    return node && node->hasFn(type);
}
