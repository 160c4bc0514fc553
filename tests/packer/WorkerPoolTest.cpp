#include "packer/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <memory>
#include <stdexcept>
#include <string>

using namespace OmbrixVectorPacker;

namespace {

// A job that every participant enters before the caller's part ends, so that no thread
// sits the round out; `fail` says which participants throw once in.
template <typename Fail>
std::function<void(unsigned)> everyoneJob(WorkerPool& pool, std::atomic<int>& finished, Fail fail) {
    auto entered = std::make_shared<std::latch>(pool.size());
    const unsigned caller = pool.size() - 1;
    return [entered, caller, &finished, fail](unsigned participant) {
        entered->count_down();
        if (participant == caller) entered->wait();
        if (fail(participant)) throw std::runtime_error("participant " + std::to_string(participant));
        ++finished;
    };
}

} // namespace

TEST(WorkerPool, RunsEveryParticipantAndPassesOnTheFirstFailureAfterAllFinished) {
    std::atomic<int> finished{0};
    WorkerPool pool(4);
    ASSERT_EQ(pool.size(), 4u);
    pool.run(everyoneJob(pool, finished, [](unsigned) { return false; }));
    EXPECT_EQ(finished.load(), 4);

    // Participants 1 and 3 (the caller) throw; the others still run to the end before the
    // call returns, and the lower-numbered failure is the one passed on.
    finished = 0;
    try {
        pool.run(everyoneJob(pool, finished, [](unsigned participant) { return participant % 2 == 1; }));
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "participant 1");
    }
    EXPECT_EQ(finished.load(), 2);

    // The pool serves the next job as before.
    finished = 0;
    pool.run(everyoneJob(pool, finished, [](unsigned) { return false; }));
    EXPECT_EQ(finished.load(), 4);
}

TEST(WorkerPool, CallerAloneOrWithThreadsThatSitOutFinishesTheJob) {
    // A job that the caller can finish alone: threads that join late find nothing left.
    for (const unsigned count : {1u, 2u, 16u}) {
        WorkerPool pool(count);
        std::atomic<int> next{0}, done{0};
        for (int round = 0; round < 20; ++round) {
            next = 0;
            done = 0;
            pool.run([&](unsigned) {
                while (next.fetch_add(1) < 100)
                    ++done;
            });
            EXPECT_EQ(done.load(), 100) << count;
        }
    }
    // Leaving the scope on an exception still stops and joins every thread.
    std::atomic<int> finished{0};
    EXPECT_THROW(
        {
            WorkerPool failing(3);
            failing.run(everyoneJob(failing, finished, [](unsigned participant) { return participant == 0; }));
        },
        std::runtime_error);
}
