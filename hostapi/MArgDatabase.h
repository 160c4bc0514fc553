#pragma once

#include "MArgList.h"
#include "MStatus.h"
#include "MString.h"
#include "MSyntax.h"

#include <map>
#include <string>

// Parses an argument list against a syntax. Unknown flags, missing arguments and
// arguments of the wrong type make the construction fail; errorText() says which.
class MArgDatabase {
public:
    MArgDatabase(const MSyntax& syntax, const MArgList& arguments, MStatus* status = nullptr);

    bool isFlagSet(const char* flag, MStatus* status = nullptr) const;
    MStatus getFlagArgument(const char* flag, unsigned index, bool& value) const;
    MStatus getFlagArgument(const char* flag, unsigned index, int& value) const;
    MStatus getFlagArgument(const char* flag, unsigned index, unsigned& value) const;
    MStatus getFlagArgument(const char* flag, unsigned index, double& value) const;
    MStatus getFlagArgument(const char* flag, unsigned index, MString& value) const;

    const std::string& errorText() const { return error_; }

private:
    const std::string* argumentOf(const char* flag, unsigned index) const;

    const MSyntax& syntax_;
    std::map<std::string, std::string> values_; // by short name
    std::string error_;
};

// Word-to-value conversions shared with the parser's type checks.
bool parseBooleanWord(const std::string& word, bool& value);
bool parseIntegerWord(const std::string& word, long long& value);
bool parseDoubleWord(const std::string& word, double& value);
