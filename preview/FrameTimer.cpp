#include "preview/FrameTimer.h"

#include <cassert>

void FrameTimer::start(std::chrono::milliseconds period, std::function<void()> tick) {
    stop();
    tick_ = std::move(tick);
    stopping_ = false;
    thread_ = std::thread([this, period] { run(period); });
}

void FrameTimer::stop() {
    if (!thread_.joinable()) return;
    assert(thread_.get_id() != std::this_thread::get_id());
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
    tick_ = nullptr;
}

void FrameTimer::run(std::chrono::milliseconds period) {
    auto next = std::chrono::steady_clock::now();
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        lock.unlock();
        tick_();
        lock.lock();
        next += period;
        const auto now = std::chrono::steady_clock::now();
        if (next < now) next = now;
        wake_.wait_until(lock, next, [this] { return stopping_; });
    }
}
