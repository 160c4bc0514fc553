#pragma once

#include "MSelectionList.h"
#include "MStatus.h"
#include "MString.h"

// Session-wide calls of the host.
class MGlobal {
public:
    // Replaces `list` by the scene's nodes whose names match `pattern`; fails when none does
    // (the list is then empty).
    static MStatus getSelectionListByName(const MString& pattern, MSelectionList& list);
};
