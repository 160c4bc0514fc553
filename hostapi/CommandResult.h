#pragma once

#include <string>
#include <vector>

// What a command returns: nothing, one value or an array of values, each as the text the
// host prints (booleans as 1 and 0).
struct CommandResult {
    std::vector<std::string> values;
    bool array = false;

    void clear() {
        values.clear();
        array = false;
    }
    void set(std::string value) {
        values.assign(1, std::move(value));
        array = false;
    }
    void append(std::string value) {
        values.push_back(std::move(value));
        array = true;
    }
};
