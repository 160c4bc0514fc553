#include "SceneNode.h"

#include <cassert>
#include <cmath>
#include <numbers>

int SceneNode::findAttribute(const std::string& name) const {
    for (size_t index = 0; index < attributes_.size(); ++index)
        if (attributes_[index].longName == name || attributes_[index].shortName == name) return static_cast<int>(index);
    return -1;
}

unsigned SceneNode::elementCount(int) const {
    return 1;
}

AttributeValue SceneNode::value(int attribute, unsigned) const {
    return values_[attribute];
}

bool SceneNode::setValue(int attribute, const AttributeValue& value) {
    if (attributes_[attribute].computed || value.index() != values_[attribute].index()) return false;
    values_[attribute] = value;
    return true;
}

int SceneNode::addAttribute(Attribute attribute, AttributeValue initial) {
    assert(findAttribute(attribute.longName) < 0 && findAttribute(attribute.shortName) < 0);
    attributes_.push_back(std::move(attribute));
    values_.push_back(std::move(initial));
    return static_cast<int>(attributes_.size()) - 1;
}

DagNode::DagNode(std::string name, std::string typeName, std::shared_ptr<const DagNode> parent)
    : SceneNode(std::move(name), std::move(typeName)), parent_(std::move(parent)),
      worldMatrix_(addAttribute({"worldMatrix", "wm", true, true}, MMatrix())) {}

MMatrix DagNode::worldMatrix() const {
    return parent_ ? localMatrix() * parent_->worldMatrix() : localMatrix();
}

AttributeValue DagNode::value(int attribute, unsigned element) const {
    if (attribute == worldMatrix_) return worldMatrix();
    return SceneNode::value(attribute, element);
}

TransformNode::TransformNode(std::string name, std::shared_ptr<const DagNode> parent)
    : DagNode(std::move(name), "transform", std::move(parent)), translate_(addAttribute({"translate", "t"}, MVector())),
      rotate_(addAttribute({"rotate", "r"}, MVector())) {}

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

} // namespace

MMatrix TransformNode::localMatrix() const {
    const MVector degrees = std::get<MVector>(value(rotate_, 0));
    const MVector translation = std::get<MVector>(value(translate_, 0));
    MMatrix m = axisRotation(0, degrees.x) * axisRotation(1, degrees.y) * axisRotation(2, degrees.z);
    m[3][0] = translation.x;
    m[3][1] = translation.y;
    m[3][2] = translation.z;
    return m;
}

CameraNode::CameraNode(std::string name, std::shared_ptr<const DagNode> parent, bool orthographic,
                       double orthographicWidth)
    : DagNode(std::move(name), "camera", std::move(parent)) {
    addAttribute({"orthographic", "o"}, orthographic);
    addAttribute({"orthographicWidth", "ow"}, orthographicWidth);
    addAttribute({"focalLength", "fl"}, 35.0);
}
