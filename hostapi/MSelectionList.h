#pragma once

#include "MObject.h"
#include "MStatus.h"
#include "MString.h"

#include <vector>

// An ordered list of scene nodes.
class MSelectionList {
public:
    // Adds every node of the session's scene whose name matches (wildcards '*' and '?');
    // fails with "Object does not exist" when none does.
    MStatus add(const MString& pattern);
    MStatus add(const MObject& node);
    MStatus clear();
    unsigned length(MStatus* status = nullptr) const;
    MStatus getDependNode(unsigned index, MObject& node) const;

private:
    std::vector<MObject> items_;
};
