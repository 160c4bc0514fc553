#include "UndoQueue.h"

void UndoQueue::push(std::unique_ptr<UndoEntry> entry) {
    undone_.clear();
    done_.push_back(std::move(entry));
}

MStatus UndoQueue::undo(std::string& name) {
    if (done_.empty()) return MStatus(MStatus::kNotFound, "There are no more commands to undo.");
    std::unique_ptr<UndoEntry> entry = std::move(done_.back());
    done_.pop_back();
    name = entry->name();
    const MStatus status = entry->undo();
    if (status) undone_.push_back(std::move(entry));
    return status;
}

MStatus UndoQueue::redo(std::string& name) {
    if (undone_.empty()) return MStatus(MStatus::kNotFound, "There are no more commands to redo.");
    std::unique_ptr<UndoEntry> entry = std::move(undone_.back());
    undone_.pop_back();
    name = entry->name();
    const MStatus status = entry->redo();
    if (status) done_.push_back(std::move(entry));
    return status;
}

void UndoQueue::flush() {
    // Entries may hold nodes whose destruction reaches back into the queue's owner; move
    // them out first so the queue is consistent while they go.
    std::vector<std::unique_ptr<UndoEntry>> done = std::move(done_), undone = std::move(undone_);
    done_.clear();
    undone_.clear();
    undone.clear();
    while (!done.empty())
        done.pop_back();
}
