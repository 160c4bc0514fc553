#include "MSelectionList.h"

#include "Scene.h"

MStatus MSelectionList::add(const MString& pattern) {
    const std::vector<MObject> found = Scene::current().match(pattern.str());
    if (found.empty()) return MStatus(MStatus::kInvalidParameter, "Object does not exist");
    items_.insert(items_.end(), found.begin(), found.end());
    return MStatus::kSuccess;
}

MStatus MSelectionList::add(const MObject& node) {
    if (node.isNull()) return MStatus(MStatus::kInvalidParameter, "Object does not exist");
    items_.push_back(node);
    return MStatus::kSuccess;
}

MStatus MSelectionList::clear() {
    items_.clear();
    return MStatus::kSuccess;
}

unsigned MSelectionList::length(MStatus* status) const {
    setStatus(status, MStatus::kSuccess);
    return static_cast<unsigned>(items_.size());
}

MStatus MSelectionList::getDependNode(unsigned index, MObject& node) const {
    if (index >= items_.size()) return MStatus(MStatus::kInvalidParameter, "Index out of range");
    node = items_[index];
    return MStatus::kSuccess;
}
