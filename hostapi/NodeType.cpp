#include "NodeType.h"

#include <algorithm>

NodeType::NodeType(std::string name, MTypeId id, MFn::Type apiType, Factory factory)
    : name_(std::move(name)), id_(id), apiType_(apiType), factory_(std::move(factory)) {
    addAttribute(nodeStateAttribute());
}

int NodeType::addAttribute(std::shared_ptr<AttributeDefinition> attribute) {
    if (!attribute || find(attribute->longName) >= 0 || find(attribute->shortName) >= 0) return -1;
    attributes_.push_back(std::move(attribute));
    affects_.emplace_back();
    computed_.push_back(false);
    return static_cast<int>(attributes_.size()) - 1;
}

bool NodeType::addAffects(const AttributeDefinition* from, const AttributeDefinition* to) {
    const int source = indexOf(from), target = indexOf(to);
    if (source < 0 || target < 0) return false;
    std::vector<int>& list = affects_[source];
    if (std::find(list.begin(), list.end(), target) == list.end()) list.push_back(target);
    computed_[target] = true;
    return true;
}

int NodeType::indexOf(const AttributeDefinition* attribute) const {
    for (size_t i = 0; i < attributes_.size(); ++i)
        if (attributes_[i].get() == attribute) return static_cast<int>(i);
    return -1;
}

int NodeType::find(const std::string& name) const {
    if (name.empty()) return -1;
    for (size_t i = 0; i < attributes_.size(); ++i)
        if (attributes_[i]->longName == name || attributes_[i]->shortName == name) return static_cast<int>(i);
    return -1;
}

const std::shared_ptr<AttributeDefinition>& nodeStateAttribute() {
    static const std::shared_ptr<AttributeDefinition> state = [] {
        auto definition = std::make_shared<AttributeDefinition>("nodeState", "nds", AttributeType::Short);
        definition->keyable = true;
        return definition;
    }();
    return state;
}
