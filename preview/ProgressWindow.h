#pragma once

#include <string>

// Where the busy indicator shows: nowhere, as a line on standard error, or as the busy
// window on the display (which must be open).
enum class ProgressDisplay { Silent, Terminal, Window };

// The process-wide busy indicator shown while an unwrap runs: opened with a text, its text
// replaced per stage, closed at the end of the run. Its animation (window frames or the
// terminal spinner) advances every 40 ms on a timer thread while the caller is busy.
// start, setText and stop are called from the main thread.
class ProgressWindow {
public:
    // Opens the indicator with the text (an indicator already open is closed first).
    static void start(const char* text);
    // Replaces the text and shows it at once when the indicator is open.
    static void setText(const char* text);
    // Closes the indicator; waits for a frame being painted. Stopping twice is harmless.
    static void stop();

    // The current status text ("" when stopped).
    static std::string text();
    static bool active();

    // Chooses where later indicators show (Silent until the program chooses); closes an open one.
    static void setDisplay(ProgressDisplay display);
    static ProgressDisplay display();

    // Prints a line on standard error above the terminal indicator, without breaking it.
    static void printLine(const std::string& line);
};
