#include "preview/TerminalProgress.h"

namespace {
constexpr std::chrono::milliseconds frameInterval(40);
} // namespace

void TerminalProgress::start(const std::string& text) {
    stop();
    {
        std::lock_guard lock(mutex_);
        text_ = text;
        step_ = 0;
        shown_ = true;
    }
    timer_.start(frameInterval, [this] { tick(); });
}

void TerminalProgress::setText(const std::string& text) {
    std::lock_guard lock(mutex_);
    text_ = text;
    if (shown_) drawLocked();
}

void TerminalProgress::stop() {
    timer_.stop();
    std::lock_guard lock(mutex_);
    if (shown_) eraseLocked();
    shown_ = false;
}

void TerminalProgress::printLine(const std::string& line) {
    std::lock_guard lock(mutex_);
    if (shown_) eraseLocked();
    std::fprintf(stream_, "%s\n", line.c_str());
    if (shown_) drawLocked();
    std::fflush(stream_);
}

void TerminalProgress::tick() {
    std::lock_guard lock(mutex_);
    const bool changes = step_ == 0 || spinnerGlyph(step_) != spinnerGlyph(step_ - 1);
    if (changes) drawLocked();
    ++step_;
}

void TerminalProgress::drawLocked() {
    std::fprintf(stream_, "\r\033[2K%c %s", spinnerGlyph(step_), text_.c_str());
    std::fflush(stream_);
}

void TerminalProgress::eraseLocked() {
    std::fprintf(stream_, "\r\033[2K");
    std::fflush(stream_);
}
