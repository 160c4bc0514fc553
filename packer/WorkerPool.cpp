#include "WorkerPool.h"

namespace OmbrixVectorPacker {

WorkerPool::WorkerPool(unsigned count) {
    workers_.reserve(count);
    threads_.reserve(count);
    try {
        for (unsigned i = 0; i < count; ++i) {
            Worker& worker = *workers_.emplace_back(std::make_unique<Worker>());
            threads_.emplace_back([this, &worker, i] { serve(worker, i); });
        }
    } catch (...) {
        stop();
        throw;
    }
}

WorkerPool::~WorkerPool() {
    stop();
}

void WorkerPool::run(const std::function<void(unsigned)>& job) {
    job_ = &job;
    for (size_t i = 0; i < threads_.size(); ++i)
        workers_[i]->start.release();
    for (size_t i = 0; i < threads_.size(); ++i)
        workers_[i]->done.acquire();
    job_ = nullptr;
    for (size_t i = 0; i < threads_.size(); ++i) {
        if (!workers_[i]->error) continue;
        std::exception_ptr error = std::move(workers_[i]->error);
        for (const std::unique_ptr<Worker>& worker : workers_)
            worker->error = nullptr;
        std::rethrow_exception(error);
    }
}

// Releasing `start` publishes the job and acquiring `done` publishes what it wrote.
void WorkerPool::serve(Worker& worker, unsigned index) {
    for (;;) {
        worker.start.acquire();
        if (worker.quit) return;
        try {
            (*job_)(index);
        } catch (...) {
            worker.error = std::current_exception();
        }
        worker.done.release();
    }
}

// Wakes every started thread with quit set and joins it.
void WorkerPool::stop() {
    for (size_t i = 0; i < threads_.size(); ++i) {
        workers_[i]->quit = true;
        workers_[i]->start.release();
    }
    for (std::thread& thread : threads_)
        thread.join();
    threads_.clear();
}

} // namespace OmbrixVectorPacker
