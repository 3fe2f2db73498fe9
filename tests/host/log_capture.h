// The host tests' diagnostic log: lines are kept in memory so a test can check
// what the code under test said.
#ifndef PELLUX_TESTS_HOST_LOG_CAPTURE_H
#define PELLUX_TESTS_HOST_LOG_CAPTURE_H

#include <string>
#include <vector>

std::vector<std::wstring> &capturedLog();
bool logContains(const std::wstring &line);

#endif
