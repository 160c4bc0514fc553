#pragma once

#include "Attribute.h"
#include "SceneNode.h"

#include <memory>
#include <string>
#include <vector>

// The words of a value as getAttr prints it and the scene file keeps it: a flag as 1 or 0,
// numbers as the shortest text that reads back the same, three numbers as three words, a
// string as one word, a matrix as sixteen words. Mesh data has no text; false for it.
bool formatValue(const AttributeValue& value, std::vector<std::string>& words);

// Reads the words of a value of a type (flags also as true/false, on/off, yes/no); false
// with `error` naming what was expected.
bool parseValue(AttributeType type, const std::vector<std::string>& words, AttributeValue& value, std::string& error);

// A plug named as "node.attribute", "node.attribute[index]", "node.attribute[index].number"
// or "node.number" (a number of a three-number attribute by its own name).
struct NamedPlug {
    std::shared_ptr<SceneNode> node;
    PlugAddress address;
};

// Finds the plug in the scene; false with `error` saying what is missing.
bool findNamedPlug(const std::string& name, NamedPlug& plug, std::string& error);

// The type of the value at an address: a number's own type for one number of three.
AttributeType valueTypeAt(const SceneNode& node, const PlugAddress& address);
