#include "app/SessionWorker.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <optional>
#include <utility>

namespace quillon {

SessionWorker::SessionWorker() : Gui(std::make_unique<QObject>()) {}

SessionWorker::~SessionWorker() {
    Finish();
}

void SessionWorker::Finish() {
    Stop();
    if (Thread.joinable()) {
        Thread.join();
    }
    Gui = std::make_unique<QObject>(); // calls still queued for the old one go with it
}

bool SessionWorker::OnGuiThread() const {
    return QThread::currentThread() == Gui->thread();
}

bool SessionWorker::Start(std::function<void()> step, std::function<void()> done) {
    if (Busy()) {
        return false;
    }
    Thread = std::thread([this, step = std::move(step), done = std::move(done)]() mutable {
        step();
        // Queued behind everything the step posted, so `done` sees it all shown.
        Post([this, done = std::move(done)] {
            Thread.join();
            if (done) {
                done();
            }
        });
    });
    return true;
}

void SessionWorker::Post(std::function<void()> call) {
    if (OnGuiThread()) {
        call();
        return;
    }
    QMetaObject::invokeMethod(Gui.get(), std::move(call), Qt::QueuedConnection);
}

int SessionWorker::Ask(std::function<int()> call, int dismissed) {
    if (OnGuiThread()) {
        return call();
    }
    // The answer outlives this wait: a worker woken by Stop leaves while the box may still be up.
    auto answer = std::make_shared<std::optional<int>>();
    Post([this, answer, call = std::move(call)] {
        {
            const std::lock_guard<std::mutex> lock(Mutex);
            if (Stopping) {
                return;
            }
        }
        const int value = call();
        const std::lock_guard<std::mutex> lock(Mutex);
        *answer = value;
        Answered.notify_all();
    });
    std::unique_lock<std::mutex> lock(Mutex);
    Answered.wait(lock, [&] { return answer->has_value() || Stopping; });
    return answer->has_value() ? **answer : dismissed;
}

void SessionWorker::Stop() {
    const std::lock_guard<std::mutex> lock(Mutex);
    Stopping = true;
    Answered.notify_all();
}

} // namespace quillon
