#pragma once

#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>

// A file that could not be read or written; the message names the file and the problem.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes a file through a temporary file in the same folder that is renamed over the
// target only once everything was written, so readers never see a half-written file.
// Throws FileError (and leaves no temporary behind) when anything fails.
void writeFileAtomically(const std::string& path, const std::function<void(std::ostream&)>& write);

// True when both paths name the same existing file.
bool sameFile(const std::string& first, const std::string& second);
