#pragma once

#include <cstddef>
#include <string>

// The host's string: 8-bit text.
class MString {
public:
    MString() = default;
    MString(const char* text) : text_(text ? text : "") {}
    MString(std::string text) : text_(std::move(text)) {}

    const char* asChar() const { return text_.c_str(); }
    const std::string& str() const { return text_; }
    unsigned length() const { return static_cast<unsigned>(text_.size()); }
    bool empty() const { return text_.empty(); }

    MString& operator+=(const MString& other) {
        text_ += other.text_;
        return *this;
    }
    MString& operator+=(const char* other) {
        text_ += other;
        return *this;
    }
    MString& operator+=(int value) {
        text_ += std::to_string(value);
        return *this;
    }
    MString& operator+=(double value);

    friend MString operator+(MString left, const MString& right) { return left += right; }
    friend bool operator==(const MString& left, const MString& right) { return left.text_ == right.text_; }
    friend bool operator==(const MString& left, const char* right) { return left.text_ == right; }

private:
    std::string text_;
};
