// The process-wide configuration, set for one test and put back afterwards,
// even when a failed assertion ends the test early.
#ifndef PELLUX_TESTS_SUPPORT_CONFIG_SCOPE_H
#define PELLUX_TESTS_SUPPORT_CONFIG_SCOPE_H

#include <cstdint>
#include <map>
#include <string>

#include "config/settings.h"

class ConfigScope {
public:
    // Keeps the store as it is, for set() to change.
    ConfigScope() : saved_(configStore()) {}
    // Replaces the records with just these ones.
    explicit ConfigScope(std::map<int32_t, std::string> records) : saved_(configStore()) {
        configStore().records = std::move(records);
    }
    ~ConfigScope() { configStore() = saved_; }
    ConfigScope(const ConfigScope &) = delete;
    ConfigScope &operator=(const ConfigScope &) = delete;

    void set(int32_t id, const std::string &value) { configStore().records[id] = value; }

private:
    Settings saved_;
};

#endif
