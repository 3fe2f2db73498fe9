// What the in-process runtime discovery tests share: the tail of this
// process's diagnostic log, configuration records set for one test, a
// loader that records the candidates it is handed, registry keys removed
// again after the test, and runtime homes in scratch directories.
#ifndef PELLUX_TESTS_JRE_JRE_TEST_SUPPORT_H
#define PELLUX_TESTS_JRE_JRE_TEST_SUPPORT_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config/settings.h"
#include "paths/expand_variables.h"
#include "standins/runtime_home.h"
#include "tests/support/config_scope.h"

// The log lines this process wrote since the object was made.
class LogTail {
public:
    LogTail();
    std::wstring text() const;
    // A whole line, without its stamp.
    bool hasLine(const std::wstring &line) const;
    // Position of the first such line at or after from, or npos.
    size_t find(const std::wstring &line, size_t from = 0) const;
    int count(const std::wstring &line) const;

private:
    size_t start_;
};

// Config records set for one test; the whole store comes back afterwards.
using ConfigRecords = ConfigScope;

// The loader tests hand to searchJvm: records every candidate, and "loads"
// (answers a non-null handle for) those whose path contains one of the
// given texts.
extern std::vector<std::string> loaderCandidates;
extern std::vector<std::string> loadingPaths;
HMODULE recordingLoader(const Settings &settings, RuntimeLocation &runtime, const char *javaExecutable);
void resetRecordingLoader(std::vector<std::string> loading = {});

// Registry keys created for one test, deleted deepest first afterwards.
// Keys that existed before are used but left in place.
class OwnedKeys {
public:
    OwnedKeys() = default;
    ~OwnedKeys();
    OwnedKeys(const OwnedKeys &) = delete;
    OwnedKeys &operator=(const OwnedKeys &) = delete;
    // Creates path under root, every missing level recorded; view is 0 or KEY_WOW64_32KEY.
    bool create(HKEY root, const std::string &path, REGSAM view = 0);
    bool setText(HKEY root, const std::string &path, const char *name, const std::string &value, REGSAM view = 0);

private:
    struct Created {
        HKEY root;
        std::string path;
        REGSAM view;
    };
    std::vector<Created> created_;
};

// A directory for runtime homes, removed with its content afterwards. Made
// below the test program's directory so relative entries can reach it.
class HomesDirectory {
public:
    HomesDirectory();
    ~HomesDirectory();
    HomesDirectory(const HomesDirectory &) = delete;
    HomesDirectory &operator=(const HomesDirectory &) = delete;
    // Full path and the path relative to the test program's directory.
    std::string path(const std::string &name = "") const;
    std::string relative(const std::string &name) const;
    RuntimeHome layOut(const std::string &name, const RuntimeHomeLayout &layout) const;

private:
    std::string name_;
    std::string path_;
};

// The java executable as checkJavaExe normalises it.
std::string normalised(const std::wstring &path);
std::string narrow(const std::wstring &text);
std::wstring wide(const std::string &text);

// Removes the version cache records of executables below directory.
void removeCacheRecordsBelow(const std::string &directory);
// The number of "-version" runs a stand-in home recorded.
size_t javaRunCount(const RuntimeHome &home);
// Moves the file's last-write time forward by a second.
bool touchFile(const std::wstring &path);

#endif
