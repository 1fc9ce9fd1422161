// The worker thread on its own, where the window's tests cannot reach it: stopping wakes a step
// that waits for an answer that will never come. (That steps run off the GUI thread and report
// in order is seen through the window, in BlendWorkflowTest.)
#include "app/SessionWorker.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>

using namespace quillon;

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
