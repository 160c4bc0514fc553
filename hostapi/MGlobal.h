#pragma once

#include "MArray.h"
#include "MObject.h"
#include "MSelectionList.h"
#include "MStatus.h"
#include "MString.h"

// Session-wide calls of the host.
class MGlobal {
public:
    enum ListAdjustment { kReplaceList, kXORWithList, kRemoveFromList, kAddToList };

    // Replaces `list` by the scene's nodes whose names match `pattern`; fails when none does
    // (the list is then empty).
    static MStatus getSelectionListByName(const MString& pattern, MSelectionList& list);
    static MStatus getActiveSelectionList(MSelectionList& list, bool orderedSelectionIfAvailable = false);
    static MStatus setActiveSelectionList(const MSelectionList& list, ListAdjustment mode = kReplaceList);
    static MStatus selectByName(const MString& pattern, ListAdjustment mode = kAddToList);

    // Runs a command of the host's command language (one line). A failing command shows its
    // error and returns the failure.
    static MStatus executeCommand(const MString& command, bool displayEnabled = false, bool undoEnabled = false);
    static MStatus executeCommand(const MString& command, int& result, bool displayEnabled = false,
                                  bool undoEnabled = false);
    static MStatus executeCommand(const MString& command, double& result, bool displayEnabled = false,
                                  bool undoEnabled = false);
    static MStatus executeCommand(const MString& command, MString& result, bool displayEnabled = false,
                                  bool undoEnabled = false);
    static MStatus executeCommand(const MString& command, MStringArray& result, bool displayEnabled = false,
                                  bool undoEnabled = false);

    // Removes a node from the scene (not undoable).
    static MStatus deleteNode(const MObject& node);

    // "// Warning: TEXT //", "// Error: TEXT //" and "TEXT" on standard error.
    static void displayInfo(const MString& text);
    static void displayWarning(const MString& text);
    static void displayError(const MString& text);
};
