#include "imaging/TaskPool.h"

#include <algorithm>

namespace quillon {

TaskPool::TaskPool(unsigned threads) {
    for (unsigned i = 1; i < std::max(threads, 1u); ++i) {
        Workers.emplace_back([this] { WorkerLoop(); });
    }
}

TaskPool::~TaskPool() {
    {
        const std::lock_guard<std::mutex> lock(Mutex);
        Stopping = true;
    }
    Changed.notify_all();
    for (std::thread& worker : Workers) {
        worker.join();
    }
}

TaskPool& TaskPool::Shared() {
    static TaskPool pool(std::max(1u, std::thread::hardware_concurrency()));
    return pool;
}

bool TaskPool::RunOne(std::unique_lock<std::mutex>& lock) {
    if (Queue.empty()) {
        return false;
    }
    Job job = std::move(Queue.front());
    Queue.pop_front();
    lock.unlock();
    job.Work();
    job.Work = nullptr; // release what the job captured before its group learns it is done
    lock.lock();
    --job.Owner->Pending;
    Changed.notify_all();
    return true;
}

void TaskPool::WorkerLoop() {
    std::unique_lock<std::mutex> lock(Mutex);
    for (;;) {
        if (RunOne(lock)) {
            continue;
        }
        if (Stopping) {
            return;
        }
        Changed.wait(lock);
    }
}

void TaskPool::Group::Run(std::function<void()> job) {
    if (Pool.Workers.empty()) {
        job(); // nobody else could run it: no queue, no locking
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(Pool.Mutex);
        ++Pending;
        Pool.Queue.push_back({std::move(job), this});
    }
    Pool.Changed.notify_one();
}

void TaskPool::Group::Wait() {
    std::unique_lock<std::mutex> lock(Pool.Mutex);
    while (Pending != 0) {
        if (!Pool.RunOne(lock)) {
            Pool.Changed.wait(lock);
        }
    }
}

void TaskPool::ParallelFor(std::size_t count, const std::function<void(std::size_t)>& job) {
    Group group(*this);
    for (std::size_t i = 0; i < count; ++i) {
        group.Run([&job, i] { job(i); });
    }
    group.Wait();
}

} // namespace quillon
