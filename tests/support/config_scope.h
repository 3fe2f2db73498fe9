// The settings the tests of one executable share, set for one test and put
// back afterwards, even when a failed assertion ends the test early.
#ifndef PELLUX_TESTS_SUPPORT_CONFIG_SCOPE_H
#define PELLUX_TESTS_SUPPORT_CONFIG_SCOPE_H

#include <cstdint>
#include <map>
#include <string>

#include "config/settings.h"

inline Settings &testSettings() {
    static Settings settings;
    return settings;
}

class ConfigScope {
public:
    // Keeps the store as it is, for set() to change.
    ConfigScope() : saved_(testSettings()) {}
    // Replaces the records with just these ones.
    explicit ConfigScope(std::map<int32_t, std::string> records) : saved_(testSettings()) {
        testSettings().records = std::move(records);
    }
    ~ConfigScope() { testSettings() = saved_; }
    ConfigScope(const ConfigScope &) = delete;
    ConfigScope &operator=(const ConfigScope &) = delete;

    void set(int32_t id, const std::string &value) { testSettings().records[id] = value; }

private:
    Settings saved_;
};

#endif
