// The robustness rules: the records read and clamped, the recovery actions
// registered, and a bounded stop's schedule as the console stop sees it.
#include <gtest/gtest.h>

#include "common/records.h"
#include "service/robustness_rules.h"
#include "service/service_rules.h"

namespace {

TEST(RobustnessRecords, MissingRecordsLeaveEverythingOffAndPresentOnesAreClampedIntoBounds) {
    std::vector<ClampNote> notes;
    RobustnessSettings off = readRobustnessSettings(Settings{{{record::kStopBudget, ""}, {record::kWorkerJob, "yes"}}, {}}, notes);
    EXPECT_EQ(off.stopBudgetMs, 0u);
    EXPECT_EQ(off.preshutdownTimeoutMs, 0u);
    EXPECT_FALSE(off.workerJob);
    EXPECT_EQ(off.restarts, 0u);
    EXPECT_TRUE(notes.empty());

    RobustnessSettings usual = readRobustnessSettings(Settings{{{record::kStopBudget, "30"}, {record::kPreshutdownTimeout, "35"}, {record::kWorkerJob, "1"},
         {record::kRecoveryRestarts, "3"}}, {}}, notes);
    EXPECT_EQ(usual.stopBudgetMs, 30000u);
    EXPECT_EQ(usual.preshutdownTimeoutMs, 35000u);
    EXPECT_TRUE(usual.workerJob);
    EXPECT_EQ(usual.restarts, 3u);
    EXPECT_EQ(usual.restartDelayMs, 10000u) << "the packaging default when the record is missing";
    EXPECT_EQ(usual.resetSeconds, 86400u);
    EXPECT_TRUE(notes.empty());

    RobustnessSettings wild = readRobustnessSettings(Settings{{{record::kStopBudget, "1000000000"}, {record::kPreshutdownTimeout, "0"}, {record::kRecoveryRestarts, "11"},
         {record::kRecoveryDelay, "-5"}, {record::kRecoveryReset, "soon"}}, {}}, notes);
    EXPECT_EQ(wild.stopBudgetMs, 3600000u);
    EXPECT_EQ(wild.preshutdownTimeoutMs, 1000u);
    EXPECT_EQ(wild.restarts, 10u);
    EXPECT_EQ(wild.restartDelayMs, 1000u);
    EXPECT_EQ(wild.resetSeconds, 1u);
    ASSERT_EQ(notes.size(), 5u);
    EXPECT_EQ(notes[0].id, record::kStopBudget);
    EXPECT_EQ(notes[0].value, "1000000000");
    EXPECT_EQ(notes[0].used, 3600);
    EXPECT_EQ(notes[4].value, "soon");
}

TEST(RecoveryActions, RestartsThenNothingSoWindowsStopsRestartingAfterThem) {
    RobustnessSettings settings;
    EXPECT_TRUE(recoveryActions(settings).empty());
    settings.restarts = 3;
    settings.restartDelayMs = 10000;
    std::vector<RecoveryAction> actions = recoveryActions(settings);
    ASSERT_EQ(actions.size(), 4u);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(actions[i].type, kActionRestart);
        EXPECT_EQ(actions[i].delayMs, 10000u);
    }
    EXPECT_EQ(actions[3].type, kActionNone);
}

// The host's checkpoints, replayed against the console stop's wait: it must
// wait through the whole budget and the margin, never give up in between.
TEST(BoundedStop, CheckpointsEverySecondKeepTheConsoleWaitingThroughTheBudget) {
    const uint32_t start = 0xFFFFF000u;  // the tick count wraps during the stop
    StopBudget budget;
    budget.budgetMs = 30000;
    budget.startTick = start;
    EXPECT_EQ(stopWaitHint(budget.budgetMs), 35000u);
    StopWait wait;
    beginStopWait(wait, 0, start);
    uint32_t checkpoint = 0, now = start, reports = 0;
    for (uint32_t left = stopTimeLeft(budget, now); left > 0; left = stopTimeLeft(budget, now)) {
        uint32_t step = nextCheckpointWait(left);
        EXPECT_GE(step, 1u);
        EXPECT_LE(step, kCheckpointIntervalMs);
        now += step;
        left = stopTimeLeft(budget, now);
        if (left > 0) {
            checkpoint++;
            reports++;
            EXPECT_TRUE(keepWaitingForStop(wait, 3, checkpoint, stopWaitHint(left), now + 499));
        }
    }
    EXPECT_EQ(now - start, 30000u);
    EXPECT_EQ(reports, 29u);
    EXPECT_EQ(stopTimeLeft(budget, now + 5), 0u) << "a spent budget stays spent";
    // The last hint covers the time to end the worker and report.
    EXPECT_TRUE(keepWaitingForStop(wait, 3, checkpoint, stopWaitHint(0), now + 4000));
}

}  // namespace
