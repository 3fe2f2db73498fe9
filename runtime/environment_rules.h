// The application's environment of record 30600: "NAME=value" lines, set in
// order before the VM starts. No Win32 here; the packer checks names with the
// same rule the launcher applies.
#ifndef PELLUX_RUNTIME_ENVIRONMENT_RULES_H
#define PELLUX_RUNTIME_ENVIRONMENT_RULES_H

#include <string>
#include <vector>

struct EnvironmentSetting {
    std::string name;
    std::string value;  // before ${VAR} expansion
};

// A name Windows can hold: not empty, no "=" and no NUL (a leading "=" would
// name one of the hidden per-drive entries).
bool isEnvironmentName(const std::string &name);
// A value the record can carry: no line break (the record's separator) and no NUL.
bool isEnvironmentValue(const std::string &value);

// The record's lines in order; empty lines are skipped, a line whose name is
// not one Windows can hold goes to refused (as written) instead.
std::vector<EnvironmentSetting> parseEnvironmentRecord(const std::string &record, std::vector<std::string> *refused);
// The record text of the settings, one "NAME=value" line each.
std::string environmentRecordText(const std::vector<EnvironmentSetting> &settings);

#endif
