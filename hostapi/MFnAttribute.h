#pragma once

#include "Attribute.h"
#include "MFnNumericData.h"
#include "MObject.h"
#include "MStatus.h"
#include "MString.h"

// Function set over an attribute definition: its flags. The flags of a new attribute are the
// host's defaults (readable, writable, connectable, storable, not keyable).
class MFnAttribute {
public:
    MFnAttribute() = default;
    explicit MFnAttribute(const MObject& attribute, MStatus* status = nullptr);

    MObject object() const { return object_; }
    MString name() const;
    MString shortName() const;
    MStatus setReadable(bool flag);
    MStatus setWritable(bool flag);
    MStatus setStorable(bool flag);
    MStatus setConnectable(bool flag);
    MStatus setKeyable(bool flag);
    MStatus setHidden(bool flag);
    MStatus setArray(bool flag);
    bool isReadable() const;
    bool isWritable() const;
    bool isStorable() const;
    bool isKeyable() const;
    bool isArray() const;

protected:
    MObject attach(std::shared_ptr<AttributeDefinition> definition);
    AttributeDefinition* definition() const { return definition_; }

private:
    MObject object_;
    AttributeDefinition* definition_ = nullptr;
};

// Makes numeric attributes: a flag, a whole number, a real number or three of them.
class MFnNumericAttribute : public MFnAttribute {
public:
    MFnNumericAttribute() = default;
    // Fails for an empty name or a type other than boolean, short, int, float, double, 3float
    // and 3double.
    MObject create(const MString& longName, const MString& shortName, MFnNumericData::Type type,
                   double defaultValue = 0.0, MStatus* status = nullptr);
    MStatus setDefault(double value);
};

// Makes attributes that hold data: a string or a mesh.
class MFnTypedAttribute : public MFnAttribute {
public:
    MFnTypedAttribute() = default;
    MObject create(const MString& longName, const MString& shortName, MFnData::Type type,
                   const MObject& defaultData = MObject::kNullObj, MStatus* status = nullptr);
    MStatus setDefault(const MString& value);
};
