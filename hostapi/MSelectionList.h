#pragma once

#include "MDagPath.h"
#include "MObject.h"
#include "MStatus.h"
#include "MString.h"

#include <vector>

// An ordered list of scene nodes, each at most once.
class MSelectionList {
public:
    // Adds every node of the session's scene whose name matches (wildcards '*' and '?');
    // fails with "Object does not exist" when none does.
    MStatus add(const MString& pattern);
    MStatus add(const MObject& node);
    MStatus add(const MDagPath& path, const MObject& component = MObject::kNullObj);
    MStatus clear();
    unsigned length(MStatus* status = nullptr) const;
    bool isEmpty() const { return items_.empty(); }
    MStatus getDependNode(unsigned index, MObject& node) const;
    // The path of a DAG item; fails for an item that is no DAG node.
    MStatus getDagPath(unsigned index, MDagPath& path, MObject& component) const;
    MStatus getDagPath(unsigned index, MDagPath& path) const;
    const std::vector<MObject>& items() const { return items_; }

private:
    std::vector<MObject> items_;
};

// Walks a selection list, optionally only over items of one kind. A transform whose shape is
// of the kind passes too; its own path is the one handed out.
class MItSelectionList {
public:
    explicit MItSelectionList(const MSelectionList& list, MFn::Type filter = MFn::kInvalid, MStatus* status = nullptr);

    bool isDone(MStatus* status = nullptr) const;
    MStatus next();
    MStatus reset();
    MStatus setFilter(MFn::Type filter);
    MStatus getDependNode(MObject& node) const;
    MStatus getDagPath(MDagPath& path, MObject& component) const;
    MStatus getDagPath(MDagPath& path) const;

private:
    bool passes(const MObject& item) const;
    void skipToPassing();

    MSelectionList list_;
    MFn::Type filter_;
    unsigned index_ = 0;
};
