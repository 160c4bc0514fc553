#pragma once

#include "MMatrix.h"
#include "MObject.h"
#include "MString.h"
#include "MVector.h"

#include <array>
#include <string>
#include <variant>
#include <vector>

// The kinds of value an attribute holds.
enum class AttributeType { Bool, Short, Int, Float, Double, Float3, Double3, String, Matrix, Mesh };

using Float3 = std::array<float, 3>;

// One value of an attribute (or of one element of an array attribute). Short and Int both hold
// an int; a mesh is a MeshData object (null for none).
using AttributeValue = std::variant<bool, int, float, double, Float3, MVector, MString, MMatrix, MObject>;

// The definition of an attribute, shared by every node of the types it was added to. The
// flags default as the host's: readable, writable, connectable, storable, not keyable.
struct AttributeDefinition : HostObject {
    AttributeDefinition(std::string longName, std::string shortName, AttributeType type);

    std::string longName;
    std::string shortName;
    AttributeType type;
    AttributeValue defaultValue;
    bool readable = true;
    bool writable = true;
    bool storable = true;
    bool connectable = true;
    bool keyable = false;
    bool array = false;
    // Names of the three numbers of a Float3 or Double3 attribute, each a plug of its own.
    std::vector<std::string> childLongNames;
    std::vector<std::string> childShortNames;

    bool isNumeric() const;
    bool hasChildren() const { return !childLongNames.empty(); }
    int findChild(const std::string& name) const;
};

// The zero value of a type: false, 0, an empty string, the identity, no mesh.
AttributeValue zeroValue(AttributeType type);

// `value` converted to the type, as the host converts a number set on a numeric attribute of
// another kind; false when it cannot be (a string on a number, a mesh on a flag).
bool convertValue(const AttributeValue& value, AttributeType type, AttributeValue& converted);

// The number a numeric value holds (bool as 0 or 1); 0 for anything else.
double numberOf(const AttributeValue& value);

// The type name as the scene file and the shell write it ("bool", "float3", "mesh", ...).
const char* typeName(AttributeType type);
