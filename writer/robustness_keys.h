// The project keys of [service.stop] and [service.recovery]: how long a stop
// may take, pre-shutdown, the worker ending with the host, and what Windows
// does when the service fails. Every key is on by default.
#ifndef PELLUX_WRITER_ROBUSTNESS_KEYS_H
#define PELLUX_WRITER_ROBUSTNESS_KEYS_H

#include <cstdint>
#include <string>
#include <vector>
#include <toml++/toml.h>

#include "common/records.h"

struct RobustnessKeys {
    int64_t stopTimeout = robustness::kDefaultStopBudget;
    bool preshutdown = true;
    bool endWorkerWithHost = true;
    bool recovery = true;
    int64_t restarts = robustness::kDefaultRestarts;
    int64_t restartDelay = robustness::kDefaultRecoveryDelay;
    int64_t resetAfter = robustness::kDefaultRecoveryReset;
    // Where each value was set (null: the default), for the records it makes.
    const toml::node *stopTimeoutNode = nullptr;
    const toml::node *preshutdownNode = nullptr;
    const toml::node *endWorkerNode = nullptr;
    const toml::node *recoveryNode = nullptr;
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
// The records the keys stand for.
std::vector<RobustnessRecord> robustnessRecords(const RobustnessKeys &keys);

#endif
