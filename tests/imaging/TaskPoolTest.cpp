#include "imaging/TaskPool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <vector>

using namespace quillon;

namespace {

// Counts how many jobs run at once.
struct Occupancy {
    std::atomic<int> Now{0};
    std::atomic<int> Most{0};
    void Enter() {
        const int now = ++Now;
        int most = Most.load();
        while (now > most && !Most.compare_exchange_weak(most, now)) {
        }
    }
    void Leave() { --Now; }
};

} // namespace

// Jobs that start and await jobs of their own, on pools of several sizes: every job runs exactly
// once, nothing deadlocks, and no more jobs run at once than the pool has threads.
TEST(TaskPoolTest, NestedJobsRunOnceWithinThePoolsThreads) {
    for (const unsigned threads : {1u, 2u, 4u}) {
        SCOPED_TRACE(threads);
        TaskPool pool(threads);
        EXPECT_EQ(pool.Threads(), threads);
        constexpr std::size_t Outer = 8, Inner = 50;
        std::vector<std::atomic<int>> runs(Outer * Inner);
        Occupancy busy;
        pool.ParallelFor(Outer, [&](std::size_t outer) {
            pool.ParallelFor(Inner, [&](std::size_t inner) {
                busy.Enter();
                // Busy for a while without sleeping: Windows sleeps in whole milliseconds, and a
                // shorter sleep_for there returns at once.
                const auto until =
                    std::chrono::steady_clock::now() + std::chrono::microseconds(200);
                while (std::chrono::steady_clock::now() < until) {
                }
                ++runs[outer * Inner + inner];
                busy.Leave();
            });
        });
        EXPECT_TRUE(std::all_of(runs.begin(), runs.end(), [](const auto& n) { return n == 1; }));
        EXPECT_LE(busy.Most.load(), static_cast<int>(threads));
        if (threads > 1) {
            EXPECT_GT(busy.Most.load(), 1) << "the workers take part";
        }
    }
}

// A group's Wait covers exactly its own jobs; another group's long job may still run.
TEST(TaskPoolTest, GroupsWaitForTheirOwnJobs) {
    TaskPool pool(2);
    std::atomic<bool> started{false}, release{false};
    std::atomic<int> done{0};
    TaskPool::Group slow(pool);
    slow.Run([&] {
        started = true;
        while (!release) {
            std::this_thread::yield();
        }
    });
    while (!started) { // the worker holds it, so this thread cannot pick it up while waiting
        std::this_thread::yield();
    }
    {
        TaskPool::Group quick(pool);
        for (int i = 0; i < 10; ++i) {
            quick.Run([&] { ++done; });
        }
        quick.Wait();
        EXPECT_EQ(done.load(), 10);
    }
    release = true;
    slow.Wait();
}
