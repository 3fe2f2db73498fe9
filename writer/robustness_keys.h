// The project keys of [service.stop] and [service.recovery]: how long a stop
// may take, pre-shutdown, the worker ending with the host, and what Windows
// does when the service fails. Every key is on by default.
#ifndef PELLUX_WRITER_ROBUSTNESS_KEYS_H
#define PELLUX_WRITER_ROBUSTNESS_KEYS_H

#include <cstdint>
#include <string>
#include <vector>
#include "writer/toml.h"

#include "common/records.h"

constexpr int64_t kDefaultStopTimeout = defaultOf(record::kStopBudget);
constexpr int64_t kDefaultRestarts = defaultOf(record::kRecoveryRestarts);
constexpr int64_t kDefaultRestartDelay = defaultOf(record::kRecoveryDelay);
constexpr int64_t kDefaultResetAfter = defaultOf(record::kRecoveryReset);

struct RobustnessKeys {
    int64_t stopTimeout = kDefaultStopTimeout;
    bool preshutdown = true;
    bool endWorkerWithHost = true;
    bool recovery = true;
    int64_t restarts = kDefaultRestarts;
    int64_t restartDelay = kDefaultRestartDelay;
    int64_t resetAfter = kDefaultResetAfter;
    // Where each value was set (null: the default), for the records it makes.
    const toml::node *stopTimeoutNode = nullptr;
    const toml::node *preshutdownNode = nullptr;
    const toml::node *endWorkerNode = nullptr;
    const toml::node *recoveryNode = nullptr;
    bool stopReport = true;
    const toml::node *stopReportNode = nullptr;
    // [service.ready]: "none", "port" or "api".
    std::string readyMode = "none";
    int64_t readyPort = 0;
    std::string readyHost;
    int64_t readyTimeout = keyDefaultOf(record::kReadyTimeout);
    const toml::node *readyModeNode = nullptr, *readyPortNode = nullptr, *readyHostNode = nullptr,
                     *readyTimeoutNode = nullptr;
    // [service.watchdog]; 0: off.
    int64_t watchdogTimeout = 0;
    const toml::node *watchdogNode = nullptr;
};

// A record the keys make, with the key (section.key) that set it, if any.
struct RobustnessRecord {
    int32_t id;
    std::string value;
    const toml::node *origin;
    std::string key;
};

// Read [service.stop] and [service.recovery]; throw ProjectError on a bad key
// or value.
void readStopTable(const toml::table &table, RobustnessKeys &keys);
void readRecoveryTable(const toml::table &table, RobustnessKeys &keys);
void readReadyTable(const toml::table &table, RobustnessKeys &keys);
void readWatchdogTable(const toml::table &table, RobustnessKeys &keys);
// Keys that only make sense together; throws ProjectError naming the key.
void checkReadyKeys(const RobustnessKeys &keys, const toml::node &where);
// The records the keys stand for; the keys leave some out (pre-shutdown,
// recovery), so their defaults come from here, not from the schema's list.
bool isRobustnessRecord(int32_t id);
// The records the keys stand for.
std::vector<RobustnessRecord> robustnessRecords(const RobustnessKeys &keys);

#endif
