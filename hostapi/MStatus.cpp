#include "MStatus.h"

#include "MString.h"

#include <cstdio>
#include <sstream>

namespace {

const char* codeName(MStatus::MStatusCode code) {
    switch (code) {
    case MStatus::kSuccess:
        return "kSuccess";
    case MStatus::kFailure:
        return "kFailure";
    case MStatus::kInsufficientMemory:
        return "kInsufficientMemory";
    case MStatus::kInvalidParameter:
        return "kInvalidParameter";
    case MStatus::kLicenseFailure:
        return "kLicenseFailure";
    case MStatus::kUnknownParameter:
        return "kUnknownParameter";
    case MStatus::kNotImplemented:
        return "kNotImplemented";
    case MStatus::kNotFound:
        return "kNotFound";
    case MStatus::kEndOfFile:
        return "kEndOfFile";
    }
    return "kFailure";
}

const char* defaultDescription(MStatus::MStatusCode code) {
    switch (code) {
    case MStatus::kSuccess:
        return "Success";
    case MStatus::kInvalidParameter:
        return "Object does not exist";
    case MStatus::kInsufficientMemory:
        return "Insufficient Memory";
    case MStatus::kNotFound:
        return "Not Found";
    case MStatus::kEndOfFile:
        return "End of File";
    case MStatus::kNotImplemented:
        return "Not Implemented";
    case MStatus::kUnknownParameter:
        return "Unknown Parameter";
    default:
        return "Unexpected Internal Failure";
    }
}

} // namespace

MString MStatus::errorString() const {
    std::ostringstream text;
    text << '(' << codeName(code_)
         << "): " << (description_.empty() ? defaultDescription(code_) : description_.c_str());
    return MString(text.str());
}

void MStatus::perror(const char* text) const {
    std::fprintf(stderr, "%s: %s\n", text, errorString().asChar());
}

void MStatus::perror(const MString& text) const {
    perror(text.asChar());
}
