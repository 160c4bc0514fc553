#include "MDataBlock.h"

#include "MeshNode.h"
#include "SceneNode.h"

namespace {

MStatus noAttribute() {
    return MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method");
}

} // namespace

double MDataHandle::number() const {
    AttributeValue value;
    if (!node_ || !node_->readValue({attribute_}, value)) return 0.0;
    return numberOf(value);
}

bool MDataHandle::asBool() const {
    return number() != 0.0;
}

short MDataHandle::asShort() const {
    return static_cast<short>(number());
}

int MDataHandle::asInt() const {
    return static_cast<int>(number());
}

float MDataHandle::asFloat() const {
    return static_cast<float>(number());
}

double MDataHandle::asDouble() const {
    return number();
}

MString& MDataHandle::asString() {
    AttributeValue value;
    scratch_ = MString();
    if (node_ && node_->readValue({attribute_}, value))
        if (const MString* text = std::get_if<MString>(&value)) scratch_ = *text;
    return scratch_;
}

MObject MDataHandle::asMesh() const {
    AttributeValue value;
    if (!node_ || !node_->readValue({attribute_}, value)) return MObject();
    const MObject* mesh = std::get_if<MObject>(&value);
    return mesh ? *mesh : MObject();
}

MStatus MDataHandle::set(const MObject& mesh) {
    return store(copyMesh(mesh)) ? MStatus() : noAttribute();
}

MStatus MDataHandle::setMObject(const MObject& mesh) {
    return store(mesh) ? MStatus() : noAttribute();
}

void MDataHandle::setClean() {
    if (node_) node_->setDirty(attribute_, false);
}

bool MDataHandle::store(const AttributeValue& value) {
    return node_ && node_->storeValue({attribute_}, value);
}

int MDataBlock::indexOf(const MObject& attribute) const {
    const AttributeDefinition* definition = attribute.as<AttributeDefinition>();
    return definition ? node_.type().indexOf(definition) : -1;
}

MDataHandle MDataBlock::handle(int attribute, bool evaluated, MStatus* status) {
    if (attribute < 0 || node_.attribute(attribute).array) {
        setStatus(status, noAttribute());
        return MDataHandle();
    }
    if (evaluated) node_.evaluate(attribute);
    setStatus(status, MStatus::kSuccess);
    return MDataHandle(&node_, attribute);
}

MDataHandle MDataBlock::inputValue(const MObject& attribute, MStatus* status) {
    return handle(indexOf(attribute), true, status);
}

MDataHandle MDataBlock::inputValue(const MPlug& plug, MStatus* status) {
    return handle(plug.node().as<SceneNode>() == &node_ ? plug.address().attribute : -1, true, status);
}

MDataHandle MDataBlock::outputValue(const MObject& attribute, MStatus* status) {
    return handle(indexOf(attribute), false, status);
}

MDataHandle MDataBlock::outputValue(const MPlug& plug, MStatus* status) {
    return handle(plug.node().as<SceneNode>() == &node_ ? plug.address().attribute : -1, false, status);
}

MStatus MDataBlock::setClean(const MObject& attribute) {
    const int index = indexOf(attribute);
    if (index < 0) return noAttribute();
    node_.setDirty(index, false);
    return MStatus::kSuccess;
}

MStatus MDataBlock::setClean(const MPlug& plug) {
    if (plug.node().as<SceneNode>() != &node_ || plug.isNull()) return noAttribute();
    node_.setDirty(plug.address().attribute, false);
    return MStatus::kSuccess;
}
