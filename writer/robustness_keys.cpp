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
        } else if (name == "report") {
            keys.stopReport = flagOf(value, path);
            keys.stopReportNode = &value;
        } else {
            unknownKey(value, "service.stop", name, "timeout, preshutdown, end_worker_with_host, report");
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

void readReadyTable(const toml::table &table, RobustnessKeys &keys) {
    for (auto &&[key, value] : table) {
        std::string name(key.str()), path = "service.ready." + name;
        if (name == "mode") {
            keys.readyMode = choiceOf(value, path, {"none", "port", "api"});
            keys.readyModeNode = &value;
        } else if (name == "port") {
            const toml::value<int64_t> *number = value.as_integer();
            if (!number || number->get() < record::kReadyPort.low || number->get() > record::kReadyPort.high)
                failKey(value, path, "must be a TCP port from 1 to 65535");
            keys.readyPort = number->get();
            keys.readyPortNode = &value;
        } else if (name == "host") {
            keys.readyHost = recordTextOf(value, path);
            if (keys.readyHost.empty() || keys.readyHost.find_first_of(" \t") != std::string::npos)
                failKey(value, path, "must be a host name or address such as \"127.0.0.1\"");
            keys.readyHostNode = &value;
        } else if (name == "timeout") {
            keys.readyTimeout = secondsOf(value, path, record::kReadyTimeout.high, "seconds");
            keys.readyTimeoutNode = &value;
        } else {
            unknownKey(value, "service.ready", name, "mode, port, host, timeout");
        }
    }
}

void readWatchdogTable(const toml::table &table, RobustnessKeys &keys) {
    for (auto &&[key, value] : table) {
        std::string name(key.str()), path = "service.watchdog." + name;
        if (name != "timeout")
            unknownKey(value, "service.watchdog", name, "timeout");
        const toml::value<int64_t> *number = value.as_integer();
        if (!number || (number->get() != 0 && (number->get() < record::kWatchdogTimeout.low ||
                                               number->get() > record::kWatchdogTimeout.high)))
            failKey(value, path,
                    "must be 0 (off) or a whole number of seconds from " + std::to_string(record::kWatchdogTimeout.low) +
                        " to " + std::to_string(record::kWatchdogTimeout.high));
        keys.watchdogTimeout = number->get();
        keys.watchdogNode = &value;
    }
}

void checkReadyKeys(const RobustnessKeys &keys, const toml::node &where) {
    bool port = keys.readyMode == "port";
    if (port && !keys.readyPortNode)
        failKey(keys.readyModeNode ? *keys.readyModeNode : where, "service.ready.port",
                "required with mode = \"port\": the port the application listens on");
    if (!port && keys.readyPortNode)
        failKey(*keys.readyPortNode, "service.ready.port", "only with mode = \"port\"");
    if (!port && keys.readyHostNode)
        failKey(*keys.readyHostNode, "service.ready.host", "only with mode = \"port\"");
}

bool isRobustnessRecord(int32_t id) {
    if (id == record::kReadyMode || id == record::kReadyPort || id == record::kReadyHost ||
        id == record::kReadyTimeout || id == record::kWatchdogTimeout || id == record::kStopReport)
        return true;
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
    records.push_back({record::kStopReport, keys.stopReport ? "1" : "0", keys.stopReportNode, "service.stop.report"});
    if (keys.readyMode != "none") {
        records.push_back({record::kReadyMode, keys.readyMode, keys.readyModeNode, "service.ready.mode"});
        records.push_back({record::kReadyTimeout, std::to_string(keys.readyTimeout), keys.readyTimeoutNode,
                           "service.ready.timeout"});
    }
    if (keys.readyMode == "port") {
        records.push_back({record::kReadyPort, std::to_string(keys.readyPort), keys.readyPortNode, "service.ready.port"});
        if (keys.readyHostNode)
            records.push_back({record::kReadyHost, keys.readyHost, keys.readyHostNode, "service.ready.host"});
    }
    if (keys.watchdogTimeout != 0)
        records.push_back({record::kWatchdogTimeout, std::to_string(keys.watchdogTimeout), keys.watchdogNode,
                           "service.watchdog.timeout"});
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
