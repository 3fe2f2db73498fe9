// The test program re-runs itself in a child role when a behaviour is only
// seen in a process of its own: the fatal exit, the log's per-process
// decision, the temporary root taken from the child's environment block.
#ifndef PELLUX_TESTS_LOGPATHS_WINE_ROLES_H
#define PELLUX_TESTS_LOGPATHS_WINE_ROLES_H

#include <string>

#include "tests/support/launcher_harness.h"

// Runs the role named after "--role"; returns its exit code.
int runChildRole(const std::string &role);

// This program, run in the role with the environment changes.
RunResult runRole(const std::string &role, const EnvironmentChanges &environment, DWORD timeoutMs = 30000);
RunResult runRoleFrom(const std::wstring &program, const std::string &role, const EnvironmentChanges &environment);
std::wstring thisProgram();

// Children print "key=value" lines in UTF-8; the value of the first with the key.
std::wstring childValue(const std::string &output, const std::string &key);
std::string toUtf8(const std::wstring &text);
std::wstring fromUtf8(const std::string &text);
// Text as written by a text-mode stream, with its "\r\n" turned back into "\n".
std::string withoutCarriageReturns(std::string text);

// The system's long and short forms of an existing path; the path itself when
// there is none.
std::wstring longPathOf(const std::wstring &path);
std::wstring shortPathOf(const std::wstring &path);
bool contains(const std::wstring &text, const std::wstring &part);

// Names the role children expect in their environment.
extern const wchar_t kEventVariable[];
extern const wchar_t kLongPathsVariable[];
extern const wchar_t kDeepFilesVariable[];

#endif
