#pragma once

#include <string>

// The process-wide busy indicator shown while an unwrap runs: opened with a text, its text
// replaced per stage, closed at the end of the run.
class ProgressWindow {
public:
    static void start(const char* text);
    static void setText(const char* text);
    static void stop();

    // The current status text ("" when stopped).
    static std::string text();
    static bool active();
};
