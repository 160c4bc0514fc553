#include "LineReader.h"

#include "AtomicFile.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kChunkBytes = size_t{1} << 20;

std::string describeBytes(size_t bytes) {
    if (bytes >= (size_t{1} << 20) && bytes % (size_t{1} << 20) == 0) return std::to_string(bytes >> 20) + " MB";
    return std::to_string(bytes) + " bytes";
}

} // namespace

LineReader::LineReader(std::istream& in, std::string name, size_t longestLine)
    : in_(in), name_(std::move(name)), longestLine_(longestLine), buffer_(std::min(kChunkBytes, longestLine + 1) + 1) {}

bool LineReader::next(std::string_view& line) {
    while (true) {
        const char* start = buffer_.data() + begin_;
        const void* newline = std::memchr(start, '\n', end_ - begin_);
        const size_t length = newline ? static_cast<const char*>(newline) - start : end_ - begin_;
        if (length > longestLine_)
            throw FileError(name_ + ":" + std::to_string(lineNumber_ + 1) + ": a line longer than " +
                            describeBytes(longestLine_) + " (this is not a text mesh file)");
        if (newline || (exhausted_ && begin_ < end_)) {
            line = std::string_view(start, length);
            begin_ += newline ? length + 1 : length;
            ++lineNumber_;
            return true;
        }
        if (exhausted_) return false;
        refill();
    }
}

void LineReader::refill() {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    // The buffer holds one line at most longestLine_ bytes long and its '\n'.
    if (end_ == buffer_.size()) buffer_.resize(std::min(2 * buffer_.size(), longestLine_ + 2));
    in_.read(buffer_.data() + end_, static_cast<std::streamsize>(buffer_.size() - end_));
    const size_t got = static_cast<size_t>(in_.gcount());
    end_ += got;
    if (in_.bad()) throw FileError(name_ + ": cannot read the file");
    if (got == 0) exhausted_ = true;
}
