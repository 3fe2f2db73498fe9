#include "service/robustness_rules.h"

#include "common/records.h"
#include "config/settings.h"

namespace {

const uint32_t kMsPerSecond = 1000;


}  // namespace

bool readBounded(const Settings &settings, ClampedSetting setting, std::vector<ClampNote> &notes, int32_t &value) {
    bool outside = false;
    if (!settings.clamped(setting, &value, &outside))
        return false;
    if (outside)
        notes.push_back(ClampNote{setting.id, settings.shownText(setting.id), value});
    return true;
}

RobustnessSettings readRobustnessSettings(const Settings &config, std::vector<ClampNote> &notes) {
    RobustnessSettings settings;
    int32_t value = 0;
    if (readBounded(config, record::kStopBudget, notes, value))
        settings.stopBudgetMs = static_cast<uint32_t>(value) * kMsPerSecond;
    if (readBounded(config, record::kPreshutdownTimeout, notes, value))
        settings.preshutdownTimeoutMs = static_cast<uint32_t>(value) * kMsPerSecond;
    settings.workerJob = config.flag(record::kWorkerJob);
    if (!readBounded(config, record::kRecoveryRestarts, notes, value))
        return settings;
    settings.restarts = static_cast<uint32_t>(value);
    // A raw block may set restarts alone: the others take the packer's defaults.
    constexpr int32_t kDefaultDelay = defaultOf(record::kRecoveryDelay), kDefaultReset = defaultOf(record::kRecoveryReset);
    int32_t delay = kDefaultDelay, reset = kDefaultReset;
    readBounded(config, record::kRecoveryDelay, notes, delay);
    readBounded(config, record::kRecoveryReset, notes, reset);
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
