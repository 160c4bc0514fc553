#include "DagNode.h"

#include <algorithm>
#include <cmath>
#include <numbers>

DagNode::DagNode(std::shared_ptr<const NodeType> type)
    : SceneNode(std::move(type)), worldMatrix_(findAttribute("worldMatrix")),
      intermediate_(findAttribute("intermediateObject")) {}

bool DagNode::hasFn(MFn::Type type) const {
    return type == MFn::kDagNode || SceneNode::hasFn(type);
}

std::vector<std::shared_ptr<DagNode>> DagNode::children() const {
    std::vector<std::shared_ptr<DagNode>> living;
    for (const std::weak_ptr<DagNode>& child : children_)
        if (std::shared_ptr<DagNode> node = child.lock()) living.push_back(std::move(node));
    return living;
}

bool DagNode::isAncestorOf(const DagNode& node) const {
    for (const DagNode* above = node.parent(); above; above = above->parent())
        if (above == this) return true;
    return false;
}

bool DagNode::setParent(const std::shared_ptr<DagNode>& parent, size_t position) {
    if (parent && (parent.get() == this || isAncestorOf(*parent))) return false;
    if (parent_) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                      [this](const std::weak_ptr<DagNode>& child) {
                                          return child.expired() || child.lock().get() == this;
                                      }),
                       siblings.end());
    }
    parent_ = parent;
    if (parent_) {
        auto& siblings = parent_->children_;
        const auto self = std::static_pointer_cast<DagNode>(shared_from_this());
        siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(std::min(position, siblings.size())), self);
    }
    return true;
}

size_t DagNode::childPosition() const {
    if (!parent_) return 0;
    const auto& siblings = parent_->children_;
    for (size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].lock().get() == this) return i;
    return siblings.size();
}

MMatrix DagNode::worldMatrix() const {
    return parent_ ? localMatrix() * parent_->worldMatrix() : localMatrix();
}

bool DagNode::isIntermediate() const {
    AttributeValue value;
    return readValue({intermediate_}, value) && numberOf(value) != 0.0;
}

bool DagNode::readValue(const PlugAddress& address, AttributeValue& value) const {
    if (address.attribute != worldMatrix_) return SceneNode::readValue(address, value);
    if (address.element != 0 || address.child >= 0) return false;
    value = worldMatrix();
    return true;
}

std::vector<unsigned> DagNode::elementIndices(int attribute) const {
    if (attribute == worldMatrix_) return {0u};
    return SceneNode::elementIndices(attribute);
}

void DagNode::addDagAttributes(NodeType& type) {
    auto worldMatrix = std::make_shared<AttributeDefinition>("worldMatrix", "wm", AttributeType::Matrix);
    worldMatrix->array = true;
    worldMatrix->writable = false;
    worldMatrix->storable = false;
    type.addAttribute(worldMatrix);
    type.addAttribute(std::make_shared<AttributeDefinition>("intermediateObject", "io", AttributeType::Bool));
    auto visibility = std::make_shared<AttributeDefinition>("visibility", "v", AttributeType::Bool);
    visibility->defaultValue = true;
    type.addAttribute(visibility);
}

namespace {

// Rotation by `degrees` about one axis (0 x, 1 y, 2 z), for row vectors.
MMatrix axisRotation(int axis, double degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(radians), s = std::sin(radians);
    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
    MMatrix m;
    m[a][a] = c;
    m[a][b] = s;
    m[b][a] = -s;
    m[b][b] = c;
    return m;
}

std::shared_ptr<AttributeDefinition> double3(const char* longName, const char* shortName, const char* x, const char* y,
                                             const char* z) {
    auto definition = std::make_shared<AttributeDefinition>(longName, shortName, AttributeType::Double3);
    definition->childLongNames = {std::string(longName) + "X", std::string(longName) + "Y",
                                  std::string(longName) + "Z"};
    definition->childShortNames = {x, y, z};
    return definition;
}

std::shared_ptr<AttributeDefinition> number(const char* longName, const char* shortName, AttributeType type,
                                            AttributeValue defaultValue) {
    auto definition = std::make_shared<AttributeDefinition>(longName, shortName, type);
    definition->defaultValue = std::move(defaultValue);
    return definition;
}

} // namespace

TransformNode::TransformNode(std::shared_ptr<const NodeType> type)
    : DagNode(std::move(type)), translate_(findAttribute("translate")), rotate_(findAttribute("rotate")) {}

const std::shared_ptr<const NodeType>& TransformNode::nodeType() {
    static const std::shared_ptr<const NodeType> type = [] {
        auto made = std::make_shared<NodeType>(
            "transform", MTypeId(0x5846524d), MFn::kTransform,
            [](std::shared_ptr<const NodeType> self) { return std::make_shared<TransformNode>(std::move(self)); });
        DagNode::addDagAttributes(*made);
        made->addAttribute(double3("translate", "t", "tx", "ty", "tz"));
        made->addAttribute(double3("rotate", "r", "rx", "ry", "rz"));
        return made;
    }();
    return type;
}

MVector TransformNode::translation() const {
    AttributeValue value;
    readValue({translate_}, value);
    return std::get<MVector>(value);
}

MVector TransformNode::rotation() const {
    AttributeValue value;
    readValue({rotate_}, value);
    return std::get<MVector>(value);
}

MMatrix TransformNode::localMatrix() const {
    const MVector degrees = rotation();
    const MVector offset = translation();
    MMatrix m = axisRotation(0, degrees.x) * axisRotation(1, degrees.y) * axisRotation(2, degrees.z);
    m[3][0] = offset.x;
    m[3][1] = offset.y;
    m[3][2] = offset.z;
    return m;
}

const std::shared_ptr<const NodeType>& CameraNode::nodeType() {
    static const std::shared_ptr<const NodeType> type = [] {
        auto made = std::make_shared<NodeType>(
            "camera", MTypeId(0x4443414d), MFn::kCamera,
            [](std::shared_ptr<const NodeType> self) { return std::make_shared<CameraNode>(std::move(self)); });
        DagNode::addDagAttributes(*made);
        made->addAttribute(number("orthographic", "o", AttributeType::Bool, false));
        made->addAttribute(number("orthographicWidth", "ow", AttributeType::Double, 30.0));
        made->addAttribute(number("focalLength", "fl", AttributeType::Double, 35.0));
        // Inches, as the host keeps film backs: 1.417 in is a 36 mm wide film.
        made->addAttribute(number("horizontalFilmAperture", "hfa", AttributeType::Double, 1.417));
        made->addAttribute(number("centerOfInterest", "coi", AttributeType::Double, 5.0));
        return made;
    }();
    return type;
}

namespace {

double numberAt(const SceneNode& node, const char* name) {
    AttributeValue value;
    node.readValue({node.findAttribute(name)}, value);
    return numberOf(value);
}

} // namespace

bool CameraNode::orthographic() const {
    return numberAt(*this, "orthographic") != 0.0;
}

double CameraNode::orthographicWidth() const {
    return numberAt(*this, "orthographicWidth");
}

double CameraNode::horizontalFieldOfView() const {
    const double aperture = numberAt(*this, "horizontalFilmAperture") * 25.4;
    return 2.0 * std::atan(aperture / (2.0 * std::max(numberAt(*this, "focalLength"), 1e-6)));
}
