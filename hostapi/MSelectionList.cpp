#include "MSelectionList.h"

#include "DagNode.h"
#include "Scene.h"

#include <algorithm>

MStatus MSelectionList::add(const MString& pattern) {
    const std::vector<MObject> found = Scene::current().match(pattern.str());
    if (found.empty()) return MStatus(MStatus::kInvalidParameter, "Object does not exist");
    for (const MObject& node : found)
        add(node);
    return MStatus::kSuccess;
}

MStatus MSelectionList::add(const MObject& node) {
    if (node.isNull()) return MStatus(MStatus::kInvalidParameter, "Object does not exist");
    if (std::find(items_.begin(), items_.end(), node) == items_.end()) items_.push_back(node);
    return MStatus::kSuccess;
}

MStatus MSelectionList::add(const MDagPath& path, const MObject&) {
    return add(path.node());
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

MStatus MSelectionList::getDagPath(unsigned index, MDagPath& path, MObject&) const {
    if (index >= items_.size()) return MStatus(MStatus::kInvalidParameter, "Index out of range");
    return MDagPath::getAPathTo(items_[index], path);
}

MStatus MSelectionList::getDagPath(unsigned index, MDagPath& path) const {
    MObject component;
    return getDagPath(index, path, component);
}

MItSelectionList::MItSelectionList(const MSelectionList& list, MFn::Type filter, MStatus* status)
    : list_(list), filter_(filter) {
    setStatus(status, MStatus::kSuccess);
    skipToPassing();
}

bool MItSelectionList::passes(const MObject& item) const {
    if (filter_ == MFn::kInvalid || item.hasFn(filter_)) return true;
    MDagPath path;
    if (!item.hasFn(MFn::kTransform) || !MDagPath::getAPathTo(item, path) || !path.extendToShape()) return false;
    return path.hasFn(filter_);
}

void MItSelectionList::skipToPassing() {
    while (index_ < list_.length() && !passes(list_.items()[index_]))
        ++index_;
}

bool MItSelectionList::isDone(MStatus* status) const {
    setStatus(status, MStatus::kSuccess);
    return index_ >= list_.length();
}

MStatus MItSelectionList::next() {
    if (index_ < list_.length()) ++index_;
    skipToPassing();
    return MStatus::kSuccess;
}

MStatus MItSelectionList::reset() {
    index_ = 0;
    skipToPassing();
    return MStatus::kSuccess;
}

MStatus MItSelectionList::setFilter(MFn::Type filter) {
    filter_ = filter;
    return reset();
}

MStatus MItSelectionList::getDependNode(MObject& node) const {
    return list_.getDependNode(index_, node);
}

MStatus MItSelectionList::getDagPath(MDagPath& path, MObject& component) const {
    return list_.getDagPath(index_, path, component);
}

MStatus MItSelectionList::getDagPath(MDagPath& path) const {
    return list_.getDagPath(index_, path);
}
