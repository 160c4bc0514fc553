#pragma once

#include "MArgList.h"
#include "MStatus.h"
#include "MString.h"
#include "MSyntax.h"

// Base of a plug-in's command class. The host makes one per invocation through the creator
// given at registration, checks the arguments against the command's syntax and calls doIt.
// An undoable command is kept on the undo queue: undo calls undoIt, redo calls redoIt.
class MPxCommand {
public:
    MPxCommand() = default;
    virtual ~MPxCommand() = default;
    MPxCommand(const MPxCommand&) = delete;
    MPxCommand& operator=(const MPxCommand&) = delete;

    virtual MStatus doIt(const MArgList& arguments);
    virtual MStatus undoIt();
    virtual MStatus redoIt();
    virtual bool isUndoable() const { return false; }
    virtual bool hasSyntax() const { return true; }

    // The syntax the command was registered with.
    MSyntax syntax() const { return syntax_; }
    void setSyntax(MSyntax syntax) { syntax_ = std::move(syntax); }

    static void setResult(bool value);
    static void setResult(int value);
    static void setResult(double value);
    static void setResult(const MString& value);
    static void setResult(const char* value) { setResult(MString(value)); }
    static void appendToResult(bool value);
    static void appendToResult(int value);
    static void appendToResult(double value);
    static void appendToResult(const MString& value);
    static void clearResult();

    static void displayError(const MString& text);
    static void displayWarning(const MString& text);
    static void displayInfo(const MString& text);

private:
    MSyntax syntax_;
};
