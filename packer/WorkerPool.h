#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <semaphore>
#include <thread>
#include <vector>

namespace OmbrixVectorPacker {

// A fixed set of threads that run one job at a time, all together: the threads are
// created once and wait on their start semaphore between jobs. The caller's thread only
// hands out jobs and waits. The destructor stops and joins every thread, on every path.
class WorkerPool {
public:
    explicit WorkerPool(unsigned count);
    ~WorkerPool();

    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    unsigned size() const { return static_cast<unsigned>(threads_.size()); }

    // Runs `job(worker)` on every worker at once and returns when all have finished. When
    // jobs throw, the exception of the lowest-numbered failing worker is passed on, after
    // every worker has finished; the pool stays usable.
    void run(const std::function<void(unsigned)>& job);

private:
    struct Worker {
        std::binary_semaphore start{0};
        std::binary_semaphore done{0};
        std::exception_ptr error;
        bool quit = false;
    };

    void serve(Worker& worker, unsigned index);
    void stop();

    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<std::thread> threads_;
    // The job of the current round; written only while every worker waits.
    const std::function<void(unsigned)>* job_ = nullptr;
};

} // namespace OmbrixVectorPacker
