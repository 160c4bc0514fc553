#pragma once

#include "core/UnwrapSettings.h"
#include "hostapi/MObject.h"

#include <stdexcept>
#include <string>
#include <vector>

// A command line that cannot be understood; the program prints it with the usage and exits 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The words after the subcommand, split into the leading mesh path and the rest.
struct SubcommandWords {
    std::string meshPath;
    std::vector<std::string> rest;
};

SubcommandWords splitMeshPath(const std::vector<std::string>& words, const char* subcommand);

// The file name given to an output flag (-o, --svg); an empty one is refused with UsageError.
const std::string& outputFileName(const std::string& flag, const std::string& value);

// The unwrap command's defaults with the given unwrap flags applied (not normalised).
// Throws UsageError for an unknown flag, a missing argument or one of the wrong type.
UnwrapSettings parseUnwrapFlags(const std::vector<std::string>& words);

// The first mesh of a mesh file; throws FileError when the file cannot be used.
MObject loadFirstMesh(const std::string& path);
