#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// A periodic timer with a thread of its own: the tick runs at once and then every period
// (a late tick is not repeated to catch up) until the timer is stopped.
class FrameTimer {
public:
    FrameTimer() = default;
    FrameTimer(const FrameTimer&) = delete;
    FrameTimer& operator=(const FrameTimer&) = delete;
    ~FrameTimer() { stop(); }

    // Starts ticking; a timer already running is stopped first.
    void start(std::chrono::milliseconds period, std::function<void()> tick);

    // Stops the ticks and returns once a tick in progress has returned; afterwards no tick
    // runs. Harmless when not running. Never call it from the tick itself.
    void stop();

    bool running() const { return thread_.joinable(); }

private:
    void run(std::chrono::milliseconds period);

    std::function<void()> tick_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};
