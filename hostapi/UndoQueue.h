#pragma once

#include "MStatus.h"

#include <memory>
#include <string>
#include <vector>

// One undoable step: an undoable command, or a change the host made for a command of its own.
class UndoEntry {
public:
    virtual ~UndoEntry() = default;
    // The command as the user gave it, for messages.
    virtual std::string name() const = 0;
    virtual MStatus undo() = 0;
    virtual MStatus redo() = 0;
};

// The host's undo queue: undo takes the latest step back and keeps it for redo; a new step
// drops what could have been redone.
class UndoQueue {
public:
    void push(std::unique_ptr<UndoEntry> entry);
    // Undoes (redoes) one step and names it; kNotFound when there is none. A step whose undo
    // or redo fails is dropped, so the queue never replays a half-done step.
    MStatus undo(std::string& name);
    MStatus redo(std::string& name);
    // Drops every step (the host does so for a new scene and before a plug-in unloads).
    void flush();
    size_t undoCount() const { return done_.size(); }
    size_t redoCount() const { return undone_.size(); }

private:
    std::vector<std::unique_ptr<UndoEntry>> done_;
    std::vector<std::unique_ptr<UndoEntry>> undone_;
};
