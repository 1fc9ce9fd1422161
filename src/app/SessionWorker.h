// Runs the window's long steps (loads, blends, saves) one at a time on a thread of their own, and
// carries what they report to the GUI thread, in the order they report it.
//
// Why a thread of its own and not a job of the session's task pool: a step waits for the player
// (a confirmation is answered on the GUI thread), and a pool job must never wait for anything but
// other jobs: a thread waiting for its own jobs may pick it up, and on a one-core machine the pool
// runs a job on the thread that queues it, which would be the GUI thread itself. The steps' own
// parallel work (encoders, mip levels) still runs on the pool.
//
// Start, Busy and Stop belong to the GUI thread; Post and Ask may be called from either.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QObject;

namespace quillon {

class SessionWorker {
public:
    SessionWorker();
    ~SessionWorker(); // Finish()
    SessionWorker(const SessionWorker&) = delete;
    SessionWorker& operator=(const SessionWorker&) = delete;

    // Runs `step` on the worker thread, then `done` on the GUI thread once everything the step
    // posted has run. False, and nothing runs, while another step is running.
    bool Start(std::function<void()> step, std::function<void()> done);
    bool Busy() const { return Thread.joinable(); }

    // Runs `call` on the GUI thread: at once when called there, else queued behind what was
    // posted before.
    void Post(std::function<void()> call);
    // Runs `call` on the GUI thread and waits for its answer. Once stopped, answers `dismissed`
    // without running it (and wakes a step that is waiting).
    int Ask(std::function<int()> call, int dismissed);
    // The window is going: no further questions reach the player.
    void Stop();
    // Stops, waits for a step that is still running, and drops what it posted.
    void Finish();

private:
    bool OnGuiThread() const;

    std::unique_ptr<QObject> Gui; // lives on the GUI thread; what is posted runs through it
    std::thread Thread;
    std::mutex Mutex;
    std::condition_variable Answered; // an answer came, or the worker stopped
    bool Stopping = false;            // guarded by Mutex
};

} // namespace quillon
