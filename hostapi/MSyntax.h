#pragma once

#include "MStatus.h"

#include <string>
#include <vector>

// The flags a command accepts. Names include their leading '-'; a long name declared
// without one is matched with it too.
class MSyntax {
public:
    enum MArgType {
        kInvalidArgType,
        kNoArg,
        kBoolean,
        kLong,
        kDouble,
        kString,
        kUnsigned,
        kDistance,
        kAngle,
        kTime,
        kSelectionItem,
    };

    struct Flag {
        std::string shortName;
        std::string longName;
        MArgType type;
    };

    MStatus addFlag(const char* shortName, const char* longName, MArgType type = kNoArg);
    const Flag* find(const std::string& name) const;
    const std::vector<Flag>& flags() const { return flags_; }

private:
    std::vector<Flag> flags_;
};
