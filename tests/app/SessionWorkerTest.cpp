// The worker thread on its own: steps run off the GUI thread, what they post arrives in order
// and before `done`, a question waits for the GUI thread's answer, and stopping wakes a step that
// waits for one that will never come.
#include "app/SessionWorker.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <atomic>
#include <string>

using namespace quillon;

namespace {

// Runs the GUI thread's events until `done` or a safety limit (not a time check).
void RunUntil(const std::function<bool()>& done) {
    EXPECT_TRUE(QTest::qWaitFor(done, 30000));
}

} // namespace

TEST(SessionWorker, StepsRunOffTheGuiThreadAndReportInOrderThenDone) {
    SessionWorker worker;
    QThread* const gui = QThread::currentThread();
    std::string seen;
    bool finished = false;
    ASSERT_TRUE(worker.Start(
        [&] {
            EXPECT_NE(QThread::currentThread(), gui);
            for (const char* text : {"a", "b", "c"}) {
                worker.Post([&seen, text, gui] {
                    EXPECT_EQ(QThread::currentThread(), gui);
                    seen += text;
                });
            }
            // The answer comes from the GUI thread, after what was posted before.
            const int answer = worker.Ask([&seen] { return static_cast<int>(seen.size()); }, -1);
            worker.Post([&seen, answer] { seen += std::to_string(answer); });
        },
        [&] {
            seen += "|done";
            finished = true;
        }));
    EXPECT_TRUE(worker.Busy());
    EXPECT_FALSE(worker.Start([] {}, [] {})) << "one step at a time";
    RunUntil([&] { return finished; });
    EXPECT_EQ(seen, "abc3|done");
    EXPECT_FALSE(worker.Busy());
    // On the GUI thread itself, posts and questions run at once.
    worker.Post([&seen] { seen += "!"; });
    EXPECT_EQ(worker.Ask([] { return 5; }, -1), 5);
    EXPECT_EQ(seen, "abc3|done!");
}

TEST(SessionWorker, StoppingAnswersAWaitingQuestionAsDismissedAndDropsWhatWasPosted) {
    std::atomic<int> answer{0};
    bool asked = false;
    {
        SessionWorker worker;
        ASSERT_TRUE(worker.Start(
            [&] {
                answer = worker.Ask(
                    [&] {
                        asked = true;
                        return 1;
                    },
                    7);
            },
            [] { ADD_FAILURE() << "done after the worker is gone"; }));
        // The GUI thread never runs its events: the question cannot be answered. The worker
        // goes with its owner, which must not hang.
    }
    EXPECT_EQ(answer, 7);
    QCoreApplication::processEvents();
    EXPECT_FALSE(asked) << "a dropped question is never shown";
}
