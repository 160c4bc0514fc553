#pragma once

#include "MString.h"

#include <vector>

// The words a command was invoked with, after the command name.
class MArgList {
public:
    MArgList() = default;
    MArgList(int count, const char* const* words) {
        for (int i = 0; i < count; ++i)
            words_.emplace_back(words[i]);
    }

    void addArg(const MString& word) { words_.push_back(word); }
    unsigned length() const { return static_cast<unsigned>(words_.size()); }
    MString asString(unsigned index) const { return words_[index]; }

private:
    std::vector<MString> words_;
};
