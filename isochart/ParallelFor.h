#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace Isochart {

// Runs work(i, worker) for i in [0, count) on up to `workers` threads (the caller's thread
// among them), joins them all, and rethrows the first exception any of them threw.
template <class Work>
void parallelFor(size_t count, size_t workers, Work work) {
    std::atomic<size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    auto loop = [&](size_t worker) {
        try {
            for (size_t i = next++; i < count; i = next++)
                work(i, worker);
        } catch (...) {
            std::lock_guard lock(failureMutex);
            if (!failure) failure = std::current_exception();
            next = count;
        }
    };
    const size_t extra = std::min(workers, count) > 1 ? std::min(workers, count) - 1 : 0;
    std::vector<std::thread> threads;
    threads.reserve(extra);
    try {
        for (size_t w = 0; w < extra; ++w)
            threads.emplace_back(loop, w + 1);
    } catch (...) {
        std::lock_guard lock(failureMutex);
        if (!failure) failure = std::current_exception();
    }
    loop(0);
    for (auto& thread : threads)
        thread.join();
    if (failure) std::rethrow_exception(failure);
}

// The number of threads the engine works with.
inline size_t workerCount() {
    return std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 16);
}

} // namespace Isochart
