// The service robustness decisions that need no Win32: the settings read from
// the robustness records (clamped into their bounds), the recovery actions
// registered at install, and the schedule of a bounded stop.
#ifndef PELLUX_SERVICE_ROBUSTNESS_RULES_H
#define PELLUX_SERVICE_ROBUSTNESS_RULES_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "config/settings.h"

// Every value is off (0, false) when its record is missing.
struct RobustnessSettings {
    uint32_t stopBudgetMs = 0;          // 0: the stop waits without a limit
    uint32_t preshutdownTimeoutMs = 0;  // 0: pre-shutdown is not accepted
    bool workerJob = false;
    uint32_t restarts = 0;  // 0: no recovery is registered
    uint32_t restartDelayMs = 0;
    uint32_t resetSeconds = 0;
};

// A record whose value lay outside its bounds, and the value used instead.
struct ClampNote {
    int32_t id;
    std::string value;
    int32_t used;
};

// Reads the robustness records. A present value outside its bounds is
// clamped and noted.
// The record's number clamped into its bounds (text without digits reads as
// 0), noted when it was outside; false when it is missing.
bool readBounded(const Settings &settings, ClampedSetting setting, std::vector<ClampNote> &notes, int32_t &value);

RobustnessSettings readRobustnessSettings(const Settings &config, std::vector<ClampNote> &notes);

// One action of the failure actions list; the types are SC_ACTION_TYPE's.
const uint32_t kActionNone = 0;
const uint32_t kActionRestart = 1;
struct RecoveryAction {
    uint32_t type;
    uint32_t delayMs;
};
// The restarts, then one action "none": Windows repeats the last action for
// every later failure, so a list of restarts alone would restart forever.
// Empty when recovery is off.
std::vector<RecoveryAction> recoveryActions(const RobustnessSettings &settings);

// A bounded stop, counted from the tick at which the stop was requested.
// Ticks wrap at 32 bits.
const uint32_t kCheckpointIntervalMs = 1000;
struct StopBudget {
    uint32_t budgetMs = 0;
    uint32_t startTick = 0;
};
// Milliseconds left of the budget; 0 once it is spent.
uint32_t stopTimeLeft(const StopBudget &budget, uint32_t now);
// How long to wait for the worker before the next checkpoint.
uint32_t nextCheckpointWait(uint32_t timeLeft);
// The wait hint of a stop-pending report: the rest of the budget and the
// time it takes to end the worker after it.
uint32_t stopWaitHint(uint32_t timeLeft);

#endif
