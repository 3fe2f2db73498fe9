// What the instance tests share: this program's path, and the "key=value"
// report a copy in a role writes.
#ifndef PELLUX_TESTS_INSTANCE_ROLE_REPORT_H
#define PELLUX_TESTS_INSTANCE_ROLE_REPORT_H

#include <map>
#include <string>

std::wstring testProgramPath();

// Lines "key=value"; empty when the file is missing.
std::map<std::string, std::string> readRoleReport(const std::wstring &path);

// The lower-case path a copy at this place names its instance by.
std::string instancePathOf(const std::wstring &program);

// Whether the directory holds any subdirectory.
bool containsDirectory(const std::wstring &directory);

#endif
