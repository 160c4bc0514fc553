#include "SceneNode.h"

#include "HostSession.h"
#include "MGlobal.h"

#include <cassert>
#include <exception>

bool PlugAddress::overlaps(const PlugAddress& other) const {
    if (attribute != other.attribute) return false;
    const bool elementsMeet = element < 0 || other.element < 0 || element == other.element;
    const bool childrenMeet = child < 0 || other.child < 0 || child == other.child;
    return elementsMeet && childrenMeet;
}

SceneNode::SceneNode(std::shared_ptr<const NodeType> type) : type_(std::move(type)) {
    slots_.resize(type_->attributeCount());
    for (unsigned i = 0; i < type_->attributeCount(); ++i) {
        slots_[i].value = type_->attribute(i).defaultValue;
        slots_[i].dirty = type_->isComputed(i);
    }
}

SceneNode::~SceneNode() {
    callbackRegistry().removeNodeCallbacks(this);
}

namespace {

// One number of a three-number value.
bool readChild(const AttributeValue& value, int child, AttributeValue& number) {
    if (const Float3* triple = std::get_if<Float3>(&value)) {
        number = (*triple)[child];
        return true;
    }
    if (const MVector* vector = std::get_if<MVector>(&value)) {
        number = child == 0 ? vector->x : child == 1 ? vector->y : vector->z;
        return true;
    }
    return false;
}

bool writeChild(AttributeValue& value, int child, const AttributeValue& number) {
    if (Float3* triple = std::get_if<Float3>(&value)) {
        (*triple)[child] = static_cast<float>(numberOf(number));
        return true;
    }
    if (MVector* vector = std::get_if<MVector>(&value)) {
        (child == 0 ? vector->x : child == 1 ? vector->y : vector->z) = numberOf(number);
        return true;
    }
    return false;
}

} // namespace

bool SceneNode::readValue(const PlugAddress& address, AttributeValue& value) const {
    if (address.attribute < 0 || address.attribute >= static_cast<int>(slots_.size())) return false;
    const AttributeDefinition& definition = attribute(address.attribute);
    const Slot& slot = slots_[address.attribute];
    const AttributeValue* stored = &slot.value;
    if (definition.array) {
        if (address.element < 0) return false;
        const auto found = slot.elements.find(static_cast<unsigned>(address.element));
        stored = found == slot.elements.end() ? &definition.defaultValue : &found->second;
    }
    if (address.child < 0) {
        value = *stored;
        return true;
    }
    return address.child < 3 && readChild(*stored, address.child, value);
}

bool SceneNode::storeValue(const PlugAddress& address, const AttributeValue& value) {
    if (address.attribute < 0 || address.attribute >= static_cast<int>(slots_.size())) return false;
    const AttributeDefinition& definition = attribute(address.attribute);
    if (definition.array && address.element < 0) return false;
    Slot& slot = slots_[address.attribute];
    AttributeValue* stored = &slot.value;
    if (definition.array) {
        auto [element, added] =
            slot.elements.try_emplace(static_cast<unsigned>(address.element), definition.defaultValue);
        stored = &element->second;
    }
    if (address.child >= 0) {
        AttributeValue number;
        if (address.child > 2 || !convertValue(value, AttributeType::Double, number)) return false;
        return writeChild(*stored, address.child, number);
    }
    AttributeValue converted;
    if (!convertValue(value, definition.type, converted)) return false;
    *stored = std::move(converted);
    return true;
}

std::vector<unsigned> SceneNode::elementIndices(int attribute) const {
    std::vector<unsigned> indices;
    for (const auto& [index, value] : slots_[attribute].elements)
        indices.push_back(index);
    return indices;
}

bool SceneNode::hasElement(int attribute, unsigned logicalIndex) const {
    return slots_[attribute].elements.count(logicalIndex) > 0;
}

void SceneNode::setElements(int attribute, std::map<unsigned, AttributeValue> elements) {
    slots_[attribute].elements = std::move(elements);
}

MStatus SceneNode::evaluate(int attribute) {
    if (attribute < 0 || attribute >= static_cast<int>(slots_.size())) return MStatus::kInvalidParameter;
    Slot& slot = slots_[attribute];
    if (!slot.dirty || slot.evaluating) return MStatus::kSuccess;
    slot.evaluating = true;
    MStatus status;
    if (pullConnections(attribute)) {
        slot.dirty = false;
    } else if (type_->isComputed(attribute)) {
        try {
            status = compute(attribute);
        } catch (const std::exception& error) {
            MGlobal::displayError(MString(name_ + ": compute failed: " + error.what()));
            status = MStatus(MStatus::kFailure, error.what());
        }
        if (status.statusCode() == MStatus::kUnknownParameter) {
            slot.dirty = false;
            status = MStatus::kSuccess;
        }
    } else {
        slot.dirty = false;
    }
    hostSession().scene.countEvaluation();
    slots_[attribute].evaluating = false;
    return status;
}

bool SceneNode::pullConnections(int attribute) {
    const std::vector<Connection> incoming = hostSession().scene.incoming(*this, attribute);
    for (const Connection& connection : incoming) {
        SceneNode& source = *connection.source;
        source.evaluate(connection.from.attribute);
        if (connection.from.element < 0 && source.attribute(connection.from.attribute).array) {
            slots_[attribute].elements = source.elements(connection.from.attribute);
            continue;
        }
        AttributeValue value;
        if (source.readValue(connection.from, value)) storeValue(connection.to, value);
    }
    return !incoming.empty();
}

MStatus SceneNode::compute(int) {
    return MStatus::kUnknownParameter;
}

void SceneNode::valueChanged(const PlugAddress&, const AttributeValue&) {}

void SceneNode::inputDisconnected(int) {}

void SceneNode::copyValuesFrom(const SceneNode& other) {
    assert(other.type_ == type_);
    for (size_t i = 0; i < slots_.size(); ++i) {
        slots_[i].value = other.slots_[i].value;
        slots_[i].elements = other.slots_[i].elements;
        slots_[i].dirty = other.slots_[i].dirty;
    }
}
