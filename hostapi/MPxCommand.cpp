#include "MPxCommand.h"

#include "HostSession.h"
#include "MGlobal.h"

#include <cstdio>

namespace {

std::string textOf(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

CommandResult& result() {
    return hostSession().commands.currentResult();
}

} // namespace

MStatus MPxCommand::doIt(const MArgList&) {
    return MStatus::kSuccess;
}

MStatus MPxCommand::undoIt() {
    return MStatus::kSuccess;
}

MStatus MPxCommand::redoIt() {
    return MStatus::kSuccess;
}

void MPxCommand::setResult(bool value) {
    result().set(value ? "1" : "0");
}

void MPxCommand::setResult(int value) {
    result().set(std::to_string(value));
}

void MPxCommand::setResult(double value) {
    result().set(textOf(value));
}

void MPxCommand::setResult(const MString& value) {
    result().set(value.str());
}

void MPxCommand::appendToResult(bool value) {
    result().append(value ? "1" : "0");
}

void MPxCommand::appendToResult(int value) {
    result().append(std::to_string(value));
}

void MPxCommand::appendToResult(double value) {
    result().append(textOf(value));
}

void MPxCommand::appendToResult(const MString& value) {
    result().append(value.str());
}

void MPxCommand::clearResult() {
    result().clear();
}

void MPxCommand::displayError(const MString& text) {
    MGlobal::displayError(text);
}

void MPxCommand::displayWarning(const MString& text) {
    MGlobal::displayWarning(text);
}

void MPxCommand::displayInfo(const MString& text) {
    MGlobal::displayInfo(text);
}
