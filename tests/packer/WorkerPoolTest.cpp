#include "packer/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>

using namespace OmbrixVectorPacker;

TEST(WorkerPool, RunsEveryWorkerAndPassesOnTheFirstFailureAfterAllFinished) {
    std::atomic<int> finished{0};
    {
        WorkerPool pool(4);
        ASSERT_EQ(pool.size(), 4u);
        pool.run([&](unsigned) { ++finished; });
        EXPECT_EQ(finished.load(), 4);

        // Workers 1 and 3 throw; the others still run to the end before the call returns,
        // and the lower-numbered failure is the one passed on.
        finished = 0;
        try {
            pool.run([&](unsigned worker) {
                if (worker % 2 == 1) throw std::runtime_error("worker " + std::to_string(worker));
                ++finished;
            });
            FAIL() << "no exception";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "worker 1");
        }
        EXPECT_EQ(finished.load(), 2);

        // The pool serves the next job as before.
        finished = 0;
        pool.run([&](unsigned) { ++finished; });
        EXPECT_EQ(finished.load(), 4);

        // Leaving the scope on an exception still stops and joins every thread.
        EXPECT_THROW(
            {
                WorkerPool failing(3);
                failing.run([](unsigned worker) {
                    if (worker == 2) throw std::logic_error("last");
                });
            },
            std::logic_error);
    }
}
