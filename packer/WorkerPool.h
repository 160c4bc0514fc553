#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace OmbrixVectorPacker {

// A team of `count` participants that run one job at a time together: the calling thread
// and `count - 1` threads created once, which wait between jobs. A thread that wakes only
// after the caller has finished its part and closed the round sits that round out, so a
// busy machine never makes the caller wait for a thread that has not started. The
// destructor stops and joins every thread, on every path.
class WorkerPool {
public:
    explicit WorkerPool(unsigned count);
    ~WorkerPool();

    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // The number of participants, the calling thread included.
    unsigned size() const { return static_cast<unsigned>(threads_.size()) + 1; }

    // Runs `job(participant)` on the calling thread (participant size() - 1) and on every
    // thread that joins in time, and returns when all of them have finished. The job must
    // leave nothing undone when some threads sit out. When jobs throw, the exception of the
    // lowest-numbered failing participant is passed on after all have finished; the pool
    // stays usable.
    void run(const std::function<void(unsigned)>& job);

private:
    void serve(unsigned index);
    void stop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    uint64_t round_ = 0;
    bool open_ = false;
    bool quit_ = false;
    unsigned active_ = 0;
    const std::function<void(unsigned)>* job_ = nullptr;
    // One slot per participant, filled by a failing job.
    std::vector<std::exception_ptr> errors_;
    std::vector<std::thread> threads_;
};

} // namespace OmbrixVectorPacker
