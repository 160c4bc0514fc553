#pragma once

#include <string>

class MString;

// Result of a host call: success or one of the host's failure codes.
class MStatus {
public:
    enum MStatusCode {
        kSuccess = 0,
        kFailure,
        kInsufficientMemory,
        kInvalidParameter,
        kLicenseFailure,
        kUnknownParameter,
        kNotImplemented,
        kNotFound,
        kEndOfFile,
    };

    MStatus() = default;
    MStatus(MStatusCode code) : code_(code) {}
    MStatus(MStatusCode code, std::string description) : code_(code), description_(std::move(description)) {}

    explicit operator bool() const { return code_ == kSuccess; }
    bool error() const { return code_ != kSuccess; }
    MStatusCode statusCode() const { return code_; }
    void clear() {
        code_ = kSuccess;
        description_.clear();
    }

    // "(kCode): description", as the host prints it.
    MString errorString() const;
    // Writes "text: (kCode): description" to the error stream.
    void perror(const char* text) const;
    void perror(const MString& text) const;

    bool operator==(const MStatus& other) const { return code_ == other.code_; }
    bool operator==(MStatusCode code) const { return code_ == code; }

private:
    MStatusCode code_ = kSuccess;
    std::string description_;
};

using MS = MStatus;

inline void setStatus(MStatus* out, MStatus status) {
    if (out) *out = std::move(status);
}
