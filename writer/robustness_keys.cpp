#include "writer/robustness_keys.h"

#include "writer/project_error.h"
#include "writer/project_values.h"

namespace {

int64_t secondsOf(const toml::node &node, const std::string &key, int64_t high, const char *what) {
    const toml::value<int64_t> *number = node.as_integer();
    if (!number || number->get() < 1 || number->get() > high)
        failKey(node, key, std::string("must be a whole number of ") + what + " from 1 to " + std::to_string(high));
    return number->get();
}

[[noreturn]] void unknownKey(const toml::node &node, const std::string &section, const std::string &key,
                             const char *known) {
    failKey(node, section + "." + key, std::string("unknown key; [") + section + "] knows " + known);
}

}  // namespace

void readStopTable(const toml::table &table, RobustnessKeys &keys) {
    for (auto &&[key, value] : table) {
        std::string name(key.str()), path = "service.stop." + name;
        if (name == "timeout") {
            keys.stopTimeout = secondsOf(value, path, record::kStopBudget.high, "seconds");
            keys.stopTimeoutNode = &value;
        } else if (name == "preshutdown") {
            keys.preshutdown = flagOf(value, path);
            keys.preshutdownNode = &value;
        } else if (name == "end_worker_with_host") {
            keys.endWorkerWithHost = flagOf(value, path);
            keys.endWorkerNode = &value;
        } else {
            unknownKey(value, "service.stop", name, "timeout, preshutdown, end_worker_with_host");
        }
    }
}

void readRecoveryTable(const toml::table &table, RobustnessKeys &keys) {
    for (auto &&[key, value] : table) {
        std::string name(key.str()), path = "service.recovery." + name;
        if (name == "enabled") {
            keys.recovery = flagOf(value, path);
        } else if (name == "restarts") {
            keys.restarts = secondsOf(value, path, record::kRecoveryRestarts.high, "restarts");
        } else if (name == "restart_delay") {
            keys.restartDelay = secondsOf(value, path, record::kRecoveryDelay.high, "seconds");
        } else if (name == "reset_after") {
            keys.resetAfter = secondsOf(value, path, record::kRecoveryReset.high, "seconds");
        } else {
            unknownKey(value, "service.recovery", name, "enabled, restarts, restart_delay, reset_after");
            continue;
        }
        keys.recoveryNode = &value;
    }
}

bool isRobustnessRecord(int32_t id) {
    return id == record::kStopBudget || id == record::kPreshutdownTimeout || id == record::kWorkerJob ||
           id == record::kHostRemovesWorkerTempDir || id == record::kRecoveryRestarts ||
           id == record::kRecoveryDelay || id == record::kRecoveryReset;
}

std::vector<RobustnessRecord> robustnessRecords(const RobustnessKeys &keys) {
    std::vector<RobustnessRecord> records;
    records.push_back({record::kStopBudget, std::to_string(keys.stopTimeout), keys.stopTimeoutNode,
                       "service.stop.timeout"});
    // Windows waits for the stop budget and the time the host needs to end the worker.
    if (keys.preshutdown)
        records.push_back({record::kPreshutdownTimeout,
                           std::to_string(keys.stopTimeout + robustness::kEndWorkerMargin), keys.preshutdownNode,
                           "service.stop.preshutdown"});
    records.push_back({record::kWorkerJob, keys.endWorkerWithHost ? "1" : "0", keys.endWorkerNode,
                       "service.stop.end_worker_with_host"});
    // No key: a stopped service never has a reason to leave its files behind.
    constexpr const char *kRemovesTempDir = schemaEntry(record::kHostRemovesWorkerTempDir).packDefault;
    records.push_back({record::kHostRemovesWorkerTempDir, kRemovesTempDir, nullptr, ""});
    if (!keys.recovery)
        return records;
    records.push_back({record::kRecoveryRestarts, std::to_string(keys.restarts), keys.recoveryNode,
                       "service.recovery"});
    records.push_back({record::kRecoveryDelay, std::to_string(keys.restartDelay), keys.recoveryNode,
                       "service.recovery"});
    records.push_back({record::kRecoveryReset, std::to_string(keys.resetAfter), keys.recoveryNode,
                       "service.recovery"});
    return records;
}
