#include "AttributeText.h"

#include "MArgDatabase.h"
#include "Scene.h"

#include <charconv>
#include <climits>

namespace {

template <typename Number>
std::string shortest(Number value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

bool parseReal(const std::string& word, double& value, std::string& error) {
    if (parseDoubleWord(word, value)) return true;
    error = "a number was expected, not '" + word + "'";
    return false;
}

} // namespace

bool formatValue(const AttributeValue& value, std::vector<std::string>& words) {
    words.clear();
    if (const bool* flag = std::get_if<bool>(&value)) {
        words.push_back(*flag ? "1" : "0");
    } else if (const int* whole = std::get_if<int>(&value)) {
        words.push_back(std::to_string(*whole));
    } else if (const float* single = std::get_if<float>(&value)) {
        words.push_back(shortest(*single));
    } else if (const double* real = std::get_if<double>(&value)) {
        words.push_back(shortest(*real));
    } else if (const Float3* triple = std::get_if<Float3>(&value)) {
        for (const float number : *triple)
            words.push_back(shortest(number));
    } else if (const MVector* vector = std::get_if<MVector>(&value)) {
        for (const double number : {vector->x, vector->y, vector->z})
            words.push_back(shortest(number));
    } else if (const MString* text = std::get_if<MString>(&value)) {
        words.push_back(text->str());
    } else if (const MMatrix* matrix = std::get_if<MMatrix>(&value)) {
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < 4; ++column)
                words.push_back(shortest(matrix->matrix[row][column]));
    } else {
        return false;
    }
    return true;
}

bool parseValue(AttributeType type, const std::vector<std::string>& words, AttributeValue& value, std::string& error) {
    const size_t wanted = type == AttributeType::Float3 || type == AttributeType::Double3 ? 3
                          : type == AttributeType::Matrix                                 ? 16
                                                                                          : 1;
    if (type == AttributeType::Mesh) {
        error = "mesh data cannot be given as text";
        return false;
    }
    if (words.size() != wanted) {
        error = std::string("a ") + typeName(type) + " value takes " + std::to_string(wanted) + " word" +
                (wanted == 1 ? "" : "s");
        return false;
    }
    double numbers[16] = {};
    long long whole = 0;
    bool flag = false;
    switch (type) {
    case AttributeType::Bool:
        if (!parseBooleanWord(words[0], flag)) {
            error = "true or false (1 or 0) was expected, not '" + words[0] + "'";
            return false;
        }
        value = flag;
        return true;
    case AttributeType::Short:
    case AttributeType::Int:
        if (!parseIntegerWord(words[0], whole) || whole < (type == AttributeType::Short ? SHRT_MIN : INT_MIN) ||
            whole > (type == AttributeType::Short ? SHRT_MAX : INT_MAX)) {
            error = "a whole number was expected, not '" + words[0] + "'";
            return false;
        }
        value = static_cast<int>(whole);
        return true;
    case AttributeType::String:
        value = MString(words[0]);
        return true;
    default:
        break;
    }
    for (size_t i = 0; i < wanted; ++i)
        if (!parseReal(words[i], numbers[i], error)) return false;
    switch (type) {
    case AttributeType::Float:
        value = static_cast<float>(numbers[0]);
        break;
    case AttributeType::Double:
        value = numbers[0];
        break;
    case AttributeType::Float3:
        value = Float3{static_cast<float>(numbers[0]), static_cast<float>(numbers[1]), static_cast<float>(numbers[2])};
        break;
    case AttributeType::Double3:
        value = MVector(numbers[0], numbers[1], numbers[2]);
        break;
    default: {
        MMatrix matrix;
        for (int i = 0; i < 16; ++i)
            matrix.matrix[i / 4][i % 4] = numbers[i];
        value = matrix;
    }
    }
    return true;
}

AttributeType valueTypeAt(const SceneNode& node, const PlugAddress& address) {
    const AttributeDefinition& definition = node.attribute(address.attribute);
    if (address.child < 0) return definition.type;
    return definition.type == AttributeType::Float3 ? AttributeType::Float : AttributeType::Double;
}

namespace {

// "name[index]" split; false for a malformed index.
bool splitIndex(const std::string& text, std::string& name, int& index) {
    index = -1;
    const size_t open = text.find('[');
    name = text.substr(0, open);
    if (open == std::string::npos) return true;
    if (text.back() != ']' || open + 2 > text.size() - 1) return false;
    long long value = 0;
    if (!parseIntegerWord(text.substr(open + 1, text.size() - open - 2), value) || value < 0 || value > INT_MAX)
        return false;
    index = static_cast<int>(value);
    return true;
}

// An attribute by its name, or a number of a three-number attribute by the number's name.
bool findAttributePart(const SceneNode& node, const std::string& name, PlugAddress& address) {
    address.attribute = node.findAttribute(name);
    if (address.attribute >= 0) return true;
    for (unsigned i = 0; i < node.type().attributeCount(); ++i) {
        const AttributeDefinition& definition = node.attribute(static_cast<int>(i));
        if (definition.array || definition.findChild(name) < 0) continue;
        address.attribute = static_cast<int>(i);
        address.child = definition.findChild(name);
        return true;
    }
    return false;
}

} // namespace

bool findNamedPlug(const std::string& name, NamedPlug& plug, std::string& error) {
    const size_t dot = name.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) {
        error = "'" + name + "' is not a plug (NODE.ATTRIBUTE)";
        return false;
    }
    plug.node = Scene::current().find(name.substr(0, dot));
    if (!plug.node) {
        error = "No object matches name: " + name.substr(0, dot);
        return false;
    }
    const std::string rest = name.substr(dot + 1);
    const size_t secondDot = rest.find('.');
    std::string attributeName;
    int element = -1;
    if (!splitIndex(rest.substr(0, secondDot), attributeName, element)) {
        error = "'" + name + "' has a malformed element index";
        return false;
    }
    plug.address = PlugAddress{};
    if (!findAttributePart(*plug.node, attributeName, plug.address)) {
        error = "No attribute '" + attributeName + "' on " + plug.node->name();
        return false;
    }
    const AttributeDefinition& definition = plug.node->attribute(plug.address.attribute);
    if (element >= 0 && !definition.array) {
        error = definition.longName + " of " + plug.node->name() + " is not an array";
        return false;
    }
    plug.address.element = element;
    if (secondDot == std::string::npos) return true;
    const std::string childName = rest.substr(secondDot + 1);
    plug.address.child = definition.findChild(childName);
    if (plug.address.child < 0 || (plug.address.element < 0 && definition.array)) {
        error = "No attribute '" + rest + "' on " + plug.node->name();
        return false;
    }
    return true;
}
