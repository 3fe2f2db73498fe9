#include "service/robustness_rules.h"

#include "common/records.h"
#include "config/config_store.h"

namespace {

const uint32_t kMsPerSecond = 1000;

// The record's number clamped into [low, high] (text without digits reads
// as 0); false when it is missing.
bool readBounded(const std::map<int32_t, std::string> &records, int32_t id, int32_t low, int32_t high,
                 std::vector<ClampNote> &notes, int32_t &value) {
    auto found = records.find(id);
    if (found == records.end() || found->second.empty())
        return false;
    int32_t read = parseConfigInt(found->second.c_str());
    value = read < low ? low : read > high ? high : read;
    if (value != read)
        notes.push_back(ClampNote{id, found->second, value});
    return true;
}

}  // namespace

RobustnessSettings readRobustnessSettings(const std::map<int32_t, std::string> &records,
                                          std::vector<ClampNote> &notes) {
    using namespace robustness;
    RobustnessSettings settings;
    int32_t value = 0;
    if (readBounded(records, record::kStopBudget, 1, kMaxStopBudget, notes, value))
        settings.stopBudgetMs = static_cast<uint32_t>(value) * kMsPerSecond;
    if (readBounded(records, record::kPreshutdownTimeout, 1, kMaxPreshutdownTimeout, notes, value))
        settings.preshutdownTimeoutMs = static_cast<uint32_t>(value) * kMsPerSecond;
    auto job = records.find(record::kWorkerJob);
    settings.workerJob = job != records.end() && job->second == "1";
    if (!readBounded(records, record::kRecoveryRestarts, 1, kMaxRestarts, notes, value))
        return settings;
    settings.restarts = static_cast<uint32_t>(value);
    int32_t delay = kDefaultRecoveryDelay, reset = kDefaultRecoveryReset;
    readBounded(records, record::kRecoveryDelay, 1, kMaxRecoveryDelay, notes, delay);
    readBounded(records, record::kRecoveryReset, 1, kMaxRecoveryReset, notes, reset);
    settings.restartDelayMs = static_cast<uint32_t>(delay) * kMsPerSecond;
    settings.resetSeconds = static_cast<uint32_t>(reset);
    return settings;
}

std::vector<RecoveryAction> recoveryActions(const RobustnessSettings &settings) {
    std::vector<RecoveryAction> actions;
    if (settings.restarts == 0)
        return actions;
    actions.assign(settings.restarts, RecoveryAction{kActionRestart, settings.restartDelayMs});
    actions.push_back(RecoveryAction{kActionNone, 0});
    return actions;
}

uint32_t stopTimeLeft(const StopBudget &budget, uint32_t now) {
    uint32_t elapsed = now - budget.startTick;
    return elapsed >= budget.budgetMs ? 0 : budget.budgetMs - elapsed;
}

uint32_t nextCheckpointWait(uint32_t timeLeft) {
    return timeLeft < kCheckpointIntervalMs ? timeLeft : kCheckpointIntervalMs;
}

uint32_t stopWaitHint(uint32_t timeLeft) {
    return timeLeft + static_cast<uint32_t>(robustness::kEndWorkerMargin) * kMsPerSecond;
}
