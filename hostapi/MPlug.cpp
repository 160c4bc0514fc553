#include "MPlug.h"

#include "MFnMatrixData.h"
#include "MFnNumericData.h"
#include "MeshData.h"
#include "MeshNode.h"
#include "Scene.h"

#include <algorithm>

namespace {

MStatus invalidPlug() {
    return MStatus(MStatus::kInvalidParameter, "Plug is not valid for this operation");
}

// The value a data object stands for at an attribute of the given type.
bool valueOfObject(const MObject& object, const AttributeDefinition& definition, bool wholeValue,
                   AttributeValue& value) {
    if (const NumericData* numbers = object.as<NumericData>()) {
        if (!wholeValue) return false;
        if (definition.type == AttributeType::Float3)
            value = Float3{static_cast<float>(numbers->values[0]), static_cast<float>(numbers->values[1]),
                           static_cast<float>(numbers->values[2])};
        else if (definition.type == AttributeType::Double3)
            value = MVector(numbers->values[0], numbers->values[1], numbers->values[2]);
        else
            return false;
        return true;
    }
    if (const MatrixData* matrix = object.as<MatrixData>()) {
        value = matrix->matrix;
        return definition.type == AttributeType::Matrix && wholeValue;
    }
    if (definition.type != AttributeType::Mesh || !wholeValue || !object.as<MeshData>()) return false;
    value = copyMesh(object);
    return true;
}

} // namespace

MPlug::MPlug(const MObject& node, const MObject& attribute) : node_(node) {
    const SceneNode* target = node.as<SceneNode>();
    const AttributeDefinition* wanted = attribute.as<AttributeDefinition>();
    address_.attribute = target && wanted ? target->type().indexOf(wanted) : -1;
}

MPlug::MPlug(const MObject& node, const PlugAddress& address) : node_(node), address_(address) {}

const AttributeDefinition* MPlug::definition() const {
    const SceneNode* target = sceneNode();
    if (!target || address_.attribute < 0 || address_.attribute >= static_cast<int>(target->type().attributeCount()))
        return nullptr;
    return &target->attribute(address_.attribute);
}

bool MPlug::isNull() const {
    return definition() == nullptr;
}

bool MPlug::isArray() const {
    return definition() && definition()->array && address_.element < 0;
}

bool MPlug::isElement() const {
    return definition() && address_.element >= 0;
}

bool MPlug::isChild() const {
    return definition() && address_.child >= 0;
}

bool MPlug::isCompound() const {
    return definition() && definition()->hasChildren() && address_.child < 0 && !isArray();
}

MObject MPlug::attribute(MStatus* status) const {
    setStatus(status, definition() ? MStatus() : invalidPlug());
    return definition() ? MObject(sceneNode()->type().attributeObject(address_.attribute)) : MObject();
}

MString MPlug::name(MStatus* status) const {
    setStatus(status, definition() ? MStatus() : invalidPlug());
    return definition() ? MString(sceneNode()->name() + "." + partialName().str()) : MString();
}

MString MPlug::partialName() const {
    const AttributeDefinition* attribute = definition();
    if (!attribute) return MString();
    std::string text = attribute->longName;
    if (address_.element >= 0) {
        text += '[';
        text += std::to_string(address_.element);
        text += ']';
    }
    if (address_.child >= 0) text += "." + attribute->childLongNames[address_.child];
    return MString(text);
}

unsigned MPlug::numElements(MStatus* status) const {
    setStatus(status, isArray() ? MStatus() : invalidPlug());
    return isArray() ? static_cast<unsigned>(sceneNode()->elementIndices(address_.attribute).size()) : 0u;
}

MPlug MPlug::elementByPhysicalIndex(unsigned index, MStatus* status) const {
    const std::vector<unsigned> indices =
        isArray() ? sceneNode()->elementIndices(address_.attribute) : std::vector<unsigned>();
    if (index >= indices.size()) {
        setStatus(status, invalidPlug());
        return MPlug();
    }
    return elementByLogicalIndex(indices[index], status);
}

MPlug MPlug::elementByLogicalIndex(unsigned index, MStatus* status) const {
    if (!isArray() || index > 0x7fffffffu) {
        setStatus(status, invalidPlug());
        return MPlug();
    }
    setStatus(status, MStatus::kSuccess);
    PlugAddress element = address_;
    element.element = static_cast<int>(index);
    return MPlug(node_, element);
}

unsigned MPlug::logicalIndex(MStatus* status) const {
    setStatus(status, isElement() ? MStatus() : invalidPlug());
    return isElement() ? static_cast<unsigned>(address_.element) : 0u;
}

unsigned MPlug::numChildren(MStatus* status) const {
    setStatus(status, isCompound() ? MStatus() : invalidPlug());
    return isCompound() ? static_cast<unsigned>(definition()->childLongNames.size()) : 0u;
}

MPlug MPlug::child(unsigned index, MStatus* status) const {
    if (!isCompound() || index >= definition()->childLongNames.size()) {
        setStatus(status, invalidPlug());
        return MPlug();
    }
    setStatus(status, MStatus::kSuccess);
    PlugAddress number = address_;
    number.child = static_cast<int>(index);
    return MPlug(node_, number);
}

MPlug MPlug::array(MStatus* status) const {
    if (!isElement()) {
        setStatus(status, invalidPlug());
        return MPlug();
    }
    setStatus(status, MStatus::kSuccess);
    return MPlug(node_, PlugAddress{address_.attribute});
}

MPlug MPlug::parent(MStatus* status) const {
    if (!isChild()) {
        setStatus(status, invalidPlug());
        return MPlug();
    }
    setStatus(status, MStatus::kSuccess);
    return MPlug(node_, PlugAddress{address_.attribute, address_.element});
}

bool MPlug::isConnected(MStatus* status) const {
    MPlugArray plugs;
    return connectedTo(plugs, true, true, status);
}

bool MPlug::connectedTo(MPlugArray& plugs, bool asDst, bool asSrc, MStatus* status) const {
    plugs.clear();
    const SceneNode* target = sceneNode();
    if (!definition()) {
        setStatus(status, invalidPlug());
        return false;
    }
    setStatus(status, MStatus::kSuccess);
    for (const Connection& connection : Scene::current().connections()) {
        if (asDst && connection.destination.get() == target && connection.to == address_)
            plugs.append(MPlug(MObject(connection.source), connection.from));
        if (asSrc && connection.source.get() == target && connection.from == address_)
            plugs.append(MPlug(MObject(connection.destination), connection.to));
    }
    return plugs.length() > 0;
}

bool MPlug::readValue(AttributeValue& value, MStatus* status) const {
    SceneNode* target = sceneNode();
    if (!definition() || isArray()) {
        setStatus(status, invalidPlug());
        return false;
    }
    target->evaluate(address_.attribute);
    const bool read = target->readValue(address_, value);
    setStatus(status, read ? MStatus() : invalidPlug());
    return read;
}

MStatus MPlug::store(const AttributeValue& value) {
    if (!definition() || isArray()) return invalidPlug();
    const AttributeValue* stored = &value;
    AttributeValue copied;
    if (const MObject* mesh = std::get_if<MObject>(&value)) {
        copied = copyMesh(*mesh);
        stored = &copied;
    }
    return Scene::current().setPlugValue(*sceneNode(), address_, *stored);
}

MStatus MPlug::getValue(MObject& object) const {
    MStatus status;
    AttributeValue value;
    if (!readValue(value, &status)) return status;
    if (const MObject* mesh = std::get_if<MObject>(&value)) {
        object = copyMesh(*mesh);
    } else if (const MMatrix* matrix = std::get_if<MMatrix>(&value)) {
        object = MObject(std::make_shared<MatrixData>(*matrix));
    } else if (const Float3* triple = std::get_if<Float3>(&value)) {
        auto data = std::make_shared<NumericData>(NumericData::Kind::Float3);
        for (int i = 0; i < 3; ++i)
            data->values[i] = (*triple)[i];
        object = MObject(data);
    } else if (const MVector* vector = std::get_if<MVector>(&value)) {
        auto data = std::make_shared<NumericData>(NumericData::Kind::Double3);
        data->values[0] = vector->x;
        data->values[1] = vector->y;
        data->values[2] = vector->z;
        object = MObject(data);
    } else {
        return invalidPlug();
    }
    return MStatus::kSuccess;
}

MStatus MPlug::setValue(const MObject& object) {
    AttributeValue value;
    if (!definition() || !valueOfObject(object, *definition(), address_.child < 0 && !isArray(), value))
        return invalidPlug();
    return Scene::current().setPlugValue(*sceneNode(), address_, value);
}

MObject MPlug::asMObject(MStatus* status) const {
    MObject object;
    const MStatus read = getValue(object);
    setStatus(status, read);
    return object;
}

namespace {

double numberAt(const MPlug& plug, MStatus* status) {
    AttributeValue value;
    MStatus read;
    if (!plug.readValue(value, &read)) {
        setStatus(status, read);
        return 0.0;
    }
    const bool number = std::holds_alternative<bool>(value) || std::holds_alternative<int>(value) ||
                        std::holds_alternative<float>(value) || std::holds_alternative<double>(value);
    setStatus(status, number ? MStatus() : invalidPlug());
    return numberOf(value);
}

} // namespace

bool MPlug::asBool(MStatus* status) const {
    return numberAt(*this, status) != 0.0;
}

short MPlug::asShort(MStatus* status) const {
    return static_cast<short>(std::clamp(numberAt(*this, status), -32768.0, 32767.0));
}

int MPlug::asInt(MStatus* status) const {
    return static_cast<int>(std::clamp(numberAt(*this, status), -2147483648.0, 2147483647.0));
}

float MPlug::asFloat(MStatus* status) const {
    return static_cast<float>(numberAt(*this, status));
}

double MPlug::asDouble(MStatus* status) const {
    return numberAt(*this, status);
}

MString MPlug::asString(MStatus* status) const {
    AttributeValue value;
    MStatus read;
    if (!readValue(value, &read) || !std::holds_alternative<MString>(value)) {
        setStatus(status, read ? invalidPlug() : read);
        return MString();
    }
    setStatus(status, MStatus::kSuccess);
    return std::get<MString>(value);
}
