#include "Attribute.h"

#include <cmath>

AttributeDefinition::AttributeDefinition(std::string longName, std::string shortName, AttributeType type)
    : longName(std::move(longName)), shortName(std::move(shortName)), type(type), defaultValue(zeroValue(type)) {}

bool AttributeDefinition::isNumeric() const {
    return type == AttributeType::Bool || type == AttributeType::Short || type == AttributeType::Int ||
           type == AttributeType::Float || type == AttributeType::Double;
}

int AttributeDefinition::findChild(const std::string& name) const {
    for (size_t i = 0; i < childLongNames.size(); ++i)
        if (childLongNames[i] == name || childShortNames[i] == name) return static_cast<int>(i);
    return -1;
}

AttributeValue zeroValue(AttributeType type) {
    switch (type) {
    case AttributeType::Bool:
        return false;
    case AttributeType::Short:
    case AttributeType::Int:
        return 0;
    case AttributeType::Float:
        return 0.0f;
    case AttributeType::Double:
        return 0.0;
    case AttributeType::Float3:
        return Float3{0.0f, 0.0f, 0.0f};
    case AttributeType::Double3:
        return MVector();
    case AttributeType::String:
        return MString();
    case AttributeType::Matrix:
        return MMatrix();
    case AttributeType::Mesh:
        return MObject();
    }
    return false;
}

double numberOf(const AttributeValue& value) {
    if (const bool* flag = std::get_if<bool>(&value)) return *flag ? 1.0 : 0.0;
    if (const int* whole = std::get_if<int>(&value)) return *whole;
    if (const float* single = std::get_if<float>(&value)) return *single;
    if (const double* real = std::get_if<double>(&value)) return *real;
    return 0.0;
}

namespace {

bool isNumber(const AttributeValue& value) {
    return std::holds_alternative<bool>(value) || std::holds_alternative<int>(value) ||
           std::holds_alternative<float>(value) || std::holds_alternative<double>(value);
}

// A real number stored in an integer attribute is truncated toward zero, as the host does;
// one out of the int range or not finite cannot be stored.
bool toInt(double number, int& whole) {
    if (!std::isfinite(number) || number < -2147483648.0 || number >= 2147483648.0) return false;
    whole = static_cast<int>(number);
    return true;
}

} // namespace

bool convertValue(const AttributeValue& value, AttributeType type, AttributeValue& converted) {
    if (isNumber(value)) {
        const double number = numberOf(value);
        int whole = 0;
        switch (type) {
        case AttributeType::Bool:
            converted = number != 0.0;
            return true;
        case AttributeType::Short:
            if (!toInt(number, whole) || whole < -32768 || whole > 32767) return false;
            converted = whole;
            return true;
        case AttributeType::Int:
            if (!toInt(number, whole)) return false;
            converted = whole;
            return true;
        case AttributeType::Float:
            converted = static_cast<float>(number);
            return true;
        case AttributeType::Double:
            converted = number;
            return true;
        default:
            return false;
        }
    }
    const bool fits = (type == AttributeType::Float3 && std::holds_alternative<Float3>(value)) ||
                      (type == AttributeType::Double3 && std::holds_alternative<MVector>(value)) ||
                      (type == AttributeType::String && std::holds_alternative<MString>(value)) ||
                      (type == AttributeType::Matrix && std::holds_alternative<MMatrix>(value)) ||
                      (type == AttributeType::Mesh && std::holds_alternative<MObject>(value));
    if (fits) converted = value;
    return fits;
}

const char* typeName(AttributeType type) {
    switch (type) {
    case AttributeType::Bool:
        return "bool";
    case AttributeType::Short:
        return "short";
    case AttributeType::Int:
        return "long";
    case AttributeType::Float:
        return "float";
    case AttributeType::Double:
        return "double";
    case AttributeType::Float3:
        return "float3";
    case AttributeType::Double3:
        return "double3";
    case AttributeType::String:
        return "string";
    case AttributeType::Matrix:
        return "matrix";
    case AttributeType::Mesh:
        return "mesh";
    }
    return "unknown";
}
