#pragma once

#include <istream>
#include <string>
#include <string_view>
#include <vector>

// Reads a text stream line by line through one growing buffer, so a file is never held in
// memory as a whole. A line longer than `longestLine` bytes (a stream that never ends a
// line, such as /dev/zero or a binary file) is refused with FileError instead of being
// buffered without bound.
class LineReader {
public:
    LineReader(std::istream& in, std::string name, size_t longestLine);

    // The next line without its '\n'; false once the stream is exhausted. The view stays
    // valid until the next call.
    bool next(std::string_view& line);
    // Number of the line returned last, counted from 1.
    size_t lineNumber() const { return lineNumber_; }

private:
    // Moves the unread bytes to the front and appends more from the stream.
    void refill();

    std::istream& in_;
    std::string name_;
    size_t longestLine_;
    std::vector<char> buffer_;
    size_t begin_ = 0, end_ = 0;
    size_t lineNumber_ = 0;
    bool exhausted_ = false;
};
