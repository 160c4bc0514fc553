#pragma once

#include "preview/FrameTimer.h"

#include <cstdio>
#include <mutex>
#include <string>

// The busy indicator as one line on a terminal: a spinner and the status text, redrawn in
// place ("\r", erase line) and advanced by a 40 ms timer while the caller is busy. Lines
// printed through it appear above the indicator.
class TerminalProgress {
public:
    explicit TerminalProgress(std::FILE* stream) : stream_(stream) {}
    ~TerminalProgress() { stop(); }

    void start(const std::string& text);
    void setText(const std::string& text);
    // Erases the line; harmless when not running.
    void stop();
    // Prints a whole line (a newline is added) without breaking the indicator.
    void printLine(const std::string& line);

    // The spinner's glyph at a timer step: a new glyph every third step (120 ms).
    static char spinnerGlyph(unsigned step) { return "|/-\\"[(step / 3) % 4]; }

private:
    void tick();
    void drawLocked();
    void eraseLocked();

    std::FILE* stream_;
    std::mutex mutex_;
    std::string text_;
    unsigned step_ = 0;
    bool shown_ = false;
    FrameTimer timer_;
};
