#include "MFnAttribute.h"

namespace {

MStatus noAttribute() {
    return MStatus(MStatus::kInvalidParameter, "Object is incompatible with this method");
}

} // namespace

MFnAttribute::MFnAttribute(const MObject& attribute, MStatus* status)
    : object_(attribute), definition_(attribute.as<AttributeDefinition>()) {
    setStatus(status, definition_ ? MStatus() : noAttribute());
}

MObject MFnAttribute::attach(std::shared_ptr<AttributeDefinition> definition) {
    definition_ = definition.get();
    object_ = MObject(std::move(definition));
    return object_;
}

MString MFnAttribute::name() const {
    return definition_ ? MString(definition_->longName) : MString();
}

MString MFnAttribute::shortName() const {
    return definition_ ? MString(definition_->shortName) : MString();
}

#define VARNELLE_ATTRIBUTE_FLAG(setter, getter, field)                                                                 \
    MStatus MFnAttribute::setter(bool flag) {                                                                          \
        if (!definition_) return noAttribute();                                                                        \
        definition_->field = flag;                                                                                     \
        return MStatus::kSuccess;                                                                                      \
    }                                                                                                                  \
    bool MFnAttribute::getter() const {                                                                                \
        return definition_ && definition_->field;                                                                      \
    }

VARNELLE_ATTRIBUTE_FLAG(setReadable, isReadable, readable)
VARNELLE_ATTRIBUTE_FLAG(setWritable, isWritable, writable)
VARNELLE_ATTRIBUTE_FLAG(setStorable, isStorable, storable)
VARNELLE_ATTRIBUTE_FLAG(setKeyable, isKeyable, keyable)
VARNELLE_ATTRIBUTE_FLAG(setArray, isArray, array)
#undef VARNELLE_ATTRIBUTE_FLAG

MStatus MFnAttribute::setConnectable(bool flag) {
    if (!definition_) return noAttribute();
    definition_->connectable = flag;
    return MStatus::kSuccess;
}

MStatus MFnAttribute::setHidden(bool) {
    return definition_ ? MStatus() : noAttribute();
}

MObject MFnNumericAttribute::create(const MString& longName, const MString& shortName, MFnNumericData::Type type,
                                    double defaultValue, MStatus* status) {
    AttributeType kind;
    switch (type) {
    case MFnNumericData::kBoolean:
        kind = AttributeType::Bool;
        break;
    case MFnNumericData::kShort:
        kind = AttributeType::Short;
        break;
    case MFnNumericData::kInt:
        kind = AttributeType::Int;
        break;
    case MFnNumericData::kFloat:
        kind = AttributeType::Float;
        break;
    case MFnNumericData::kDouble:
        kind = AttributeType::Double;
        break;
    case MFnNumericData::k3Float:
        kind = AttributeType::Float3;
        break;
    case MFnNumericData::k3Double:
        kind = AttributeType::Double3;
        break;
    default:
        setStatus(status, MStatus(MStatus::kInvalidParameter, "Unsupported numeric type"));
        return MObject();
    }
    if (longName.empty() || shortName.empty()) {
        setStatus(status, MStatus(MStatus::kInvalidParameter, "An attribute needs a long and a short name"));
        return MObject();
    }
    auto definition = std::make_shared<AttributeDefinition>(longName.str(), shortName.str(), kind);
    if (kind == AttributeType::Float3 || kind == AttributeType::Double3) {
        definition->childLongNames = {longName.str() + "X", longName.str() + "Y", longName.str() + "Z"};
        definition->childShortNames = {shortName.str() + "x", shortName.str() + "y", shortName.str() + "z"};
    } else {
        convertValue(defaultValue, kind, definition->defaultValue);
    }
    setStatus(status, MStatus::kSuccess);
    return attach(std::move(definition));
}

MStatus MFnNumericAttribute::setDefault(double value) {
    if (!definition() || !definition()->isNumeric()) return noAttribute();
    return convertValue(value, definition()->type, definition()->defaultValue) ? MStatus() : noAttribute();
}

MObject MFnTypedAttribute::create(const MString& longName, const MString& shortName, MFnData::Type type,
                                  const MObject& defaultData, MStatus* status) {
    if ((type != MFnData::kString && type != MFnData::kMesh) || longName.empty() || shortName.empty()) {
        setStatus(status, MStatus(MStatus::kInvalidParameter, "Unsupported typed attribute"));
        return MObject();
    }
    auto definition = std::make_shared<AttributeDefinition>(
        longName.str(), shortName.str(), type == MFnData::kString ? AttributeType::String : AttributeType::Mesh);
    if (type == MFnData::kMesh && !defaultData.isNull()) definition->defaultValue = defaultData;
    setStatus(status, MStatus::kSuccess);
    return attach(std::move(definition));
}

MStatus MFnTypedAttribute::setDefault(const MString& value) {
    if (!definition() || definition()->type != AttributeType::String) return noAttribute();
    definition()->defaultValue = value;
    return MStatus::kSuccess;
}
