// One set of worker threads for everything that runs in parallel: whole textures in the head fix
// and strips of block rows inside the encoders. A thread that waits for its jobs runs queued jobs
// meanwhile, so a job may start and await jobs of its own without deadlock, and while one thread
// outside the pool waits, no more jobs run at once than the pool was made for. Since a waiting
// thread may pick up any queued job, a job must never wait for something other than jobs (a flag a
// waiter sets later, a lock). A pool of one thread runs each job at once, inside Run.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace quillon {

class TaskPool {
public:
    // `threads` is how many threads work at once, the waiting caller included: 1 runs every job
    // on the thread that waits for it.
    explicit TaskPool(unsigned threads);
    ~TaskPool();
    TaskPool(const TaskPool&) = delete;
    TaskPool& operator=(const TaskPool&) = delete;

    // The process's pool, one thread per core.
    static TaskPool& Shared();

    unsigned Threads() const { return static_cast<unsigned>(Workers.size()) + 1; }

    // Jobs that are awaited together. The destructor waits for the jobs still queued or running,
    // so none outlives what it captured; Wait() says where the caller needs them done.
    class Group {
    public:
        explicit Group(TaskPool& pool) : Pool(pool) {}
        ~Group() { Wait(); }
        Group(const Group&) = delete;
        Group& operator=(const Group&) = delete;

        void Run(std::function<void()> job);
        // Returns when every job run so far has finished; runs queued jobs meanwhile.
        void Wait();

    private:
        friend class TaskPool;
        TaskPool& Pool;
        std::size_t Pending = 0; // guarded by the pool's mutex
    };

    // Runs job(0) .. job(count - 1) and returns when all have finished.
    void ParallelFor(std::size_t count, const std::function<void(std::size_t)>& job);

private:
    struct Job {
        std::function<void()> Work;
        Group* Owner;
    };

    void WorkerLoop();
    // Runs one queued job; the lock is held on entry and on return. False when none is queued.
    bool RunOne(std::unique_lock<std::mutex>& lock);

    std::mutex Mutex;
    std::condition_variable Changed; // a job was queued, a job finished, or the pool stops
    std::deque<Job> Queue;
    bool Stopping = false;
    std::vector<std::thread> Workers;
};

} // namespace quillon
