#include "WorkerPool.h"

namespace OmbrixVectorPacker {

WorkerPool::WorkerPool(unsigned count) : errors_(count > 0 ? count : 1) {
    const unsigned threads = count > 1 ? count - 1 : 0;
    threads_.reserve(threads);
    try {
        for (unsigned i = 0; i < threads; ++i)
            threads_.emplace_back([this, i] { serve(i); });
    } catch (...) {
        stop();
        throw;
    }
}

WorkerPool::~WorkerPool() {
    stop();
}

void WorkerPool::run(const std::function<void(unsigned)>& job) {
    {
        std::lock_guard lock(mutex_);
        job_ = &job;
        ++round_;
        open_ = true;
    }
    wake_.notify_all();
    const unsigned caller = size() - 1;
    try {
        job(caller);
    } catch (...) {
        errors_[caller] = std::current_exception();
    }
    {
        std::unique_lock lock(mutex_);
        open_ = false;
        finished_.wait(lock, [this] { return active_ == 0; });
        job_ = nullptr;
    }
    for (std::exception_ptr& error : errors_) {
        if (!error) continue;
        std::exception_ptr first = std::move(error);
        for (std::exception_ptr& other : errors_)
            other = nullptr;
        std::rethrow_exception(first);
    }
}

// Joins every round that is still open when the thread gets to it; the mutex publishes the
// job to the thread and what the job wrote back to the caller.
void WorkerPool::serve(unsigned index) {
    uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return quit_ || (open_ && round_ != seen); });
        if (quit_) return;
        seen = round_;
        ++active_;
        const std::function<void(unsigned)>& job = *job_;
        lock.unlock();
        try {
            job(index);
        } catch (...) {
            errors_[index] = std::current_exception();
        }
        lock.lock();
        if (--active_ == 0) finished_.notify_all();
    }
}

void WorkerPool::stop() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
    threads_.clear();
}

} // namespace OmbrixVectorPacker
