#include "MGlobal.h"

#include "HostSession.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

MStatus MGlobal::getSelectionListByName(const MString& pattern, MSelectionList& list) {
    list.clear();
    return list.add(pattern);
}

MStatus MGlobal::getActiveSelectionList(MSelectionList& list, bool) {
    list.clear();
    for (const MObject& node : hostSession().scene.selection())
        list.add(node);
    return MStatus::kSuccess;
}

MStatus MGlobal::setActiveSelectionList(const MSelectionList& list, ListAdjustment mode) {
    std::vector<MObject>& selection = hostSession().scene.selection();
    if (mode == kReplaceList) selection.clear();
    for (const MObject& node : list.items()) {
        const auto found = std::find(selection.begin(), selection.end(), node);
        const bool present = found != selection.end();
        if (mode == kRemoveFromList || (mode == kXORWithList && present)) {
            if (present) selection.erase(found);
        } else if (!present) {
            selection.push_back(node);
        }
    }
    return MStatus::kSuccess;
}

MStatus MGlobal::selectByName(const MString& pattern, ListAdjustment mode) {
    MSelectionList list;
    const MStatus found = list.add(pattern);
    if (!found) return found;
    return setActiveSelectionList(list, mode);
}

namespace {

MStatus run(const MString& command, CommandResult& result, bool undoEnabled) {
    std::string error;
    const MStatus status = hostSession().commands.execute(command.str(), result, error, undoEnabled);
    if (!status) MGlobal::displayError(MString(error));
    return status;
}

} // namespace

MStatus MGlobal::executeCommand(const MString& command, bool, bool undoEnabled) {
    CommandResult result;
    return run(command, result, undoEnabled);
}

MStatus MGlobal::executeCommand(const MString& command, int& value, bool, bool undoEnabled) {
    CommandResult result;
    const MStatus status = run(command, result, undoEnabled);
    if (!status) return status;
    if (result.values.empty()) return MStatus(MStatus::kInvalidParameter, "The command returned nothing");
    value = std::atoi(result.values.front().c_str());
    return MStatus::kSuccess;
}

MStatus MGlobal::executeCommand(const MString& command, double& value, bool, bool undoEnabled) {
    CommandResult result;
    const MStatus status = run(command, result, undoEnabled);
    if (!status) return status;
    if (result.values.empty()) return MStatus(MStatus::kInvalidParameter, "The command returned nothing");
    value = std::strtod(result.values.front().c_str(), nullptr);
    return MStatus::kSuccess;
}

MStatus MGlobal::executeCommand(const MString& command, MString& value, bool, bool undoEnabled) {
    CommandResult result;
    const MStatus status = run(command, result, undoEnabled);
    if (status) value = result.values.empty() ? MString() : MString(result.values.front());
    return status;
}

MStatus MGlobal::executeCommand(const MString& command, MStringArray& values, bool, bool undoEnabled) {
    CommandResult result;
    const MStatus status = run(command, result, undoEnabled);
    if (!status) return status;
    values.clear();
    for (const std::string& value : result.values)
        values.append(MString(value));
    return MStatus::kSuccess;
}

MStatus MGlobal::deleteNode(const MObject& node) {
    const auto target = node.shared<SceneNode>();
    if (!target || !target->inScene()) return MStatus(MStatus::kInvalidParameter, "Object does not exist");
    hostSession().scene.remove(target);
    return MStatus::kSuccess;
}

void MGlobal::displayInfo(const MString& text) {
    std::fprintf(stderr, "%s\n", text.asChar());
}

void MGlobal::displayWarning(const MString& text) {
    std::fprintf(stderr, "// Warning: %s //\n", text.asChar());
}

void MGlobal::displayError(const MString& text) {
    std::fprintf(stderr, "// Error: %s //\n", text.asChar());
}
