#pragma once

#include <mutex>
#include <string>

// The process's connection to the display (SDL video), shared by the preview window, the busy
// window and the message boxes. Every SDL video call is made while holding the display lock:
// the busy window's timer thread paints while the main thread runs a window's event loop.

// Opens the connection (once; later calls only report). Main thread. False, with `problem`
// saying why, when there is no display to show windows on.
bool openDisplay(std::string& problem);

// Closes the connection once no window is left. Main thread; harmless when not open.
void closeDisplay();

bool displayOpen();

// Serialises SDL video calls between the main thread and the timer thread.
std::unique_lock<std::mutex> lockDisplay();
