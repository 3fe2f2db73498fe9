#include <windows.h>

#include <string>
#include <vector>

#include "common/target.h"
#include "common/text.h"
#include "diagnostics/log.h"
#include "jre/check_java_exe.h"
#include "jre/version_cache.h"
#include "process/child_process.h"

namespace {

const DWORD kShortPathCapacity = 5980;
const DWORD kVersionRunWaitMs = 60000;
// A runtime prints a few lines; more than this is kept out of memory but
// still drained, so the child never blocks on a full pipe.
const size_t kOutputKeepLimit = 1 << 20;

struct SavedVariable {
    const char *name;
    std::string value;
};

// The options variables would change what "-version" prints or make it fail.
// Narrow: the values go back as they were and reach no text of ours.
std::vector<SavedVariable> removeJavaOptionsVariables() {
    static const char *const names[] = {"_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS", "JDK_JAVA_OPTIONS"};
    std::vector<SavedVariable> saved;
    for (const char *name : names) {
        DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
        if (size == 0)
            continue;
        std::string value(size, '\0');
        DWORD length = GetEnvironmentVariableA(name, &value[0], size);
        if (length == size - 1) {
            value.resize(length);
            logMessage("%S is %S", name, value.c_str());
            saved.push_back(SavedVariable{name, value});
        } else {
            logMessage("error reading %S", name);
        }
        SetEnvironmentVariableA(name, nullptr);
    }
    return saved;
}

// Narrow: puts back the values read narrow above.
void restoreVariables(const std::vector<SavedVariable> &saved) {
    for (const SavedVariable &variable : saved)
        SetEnvironmentVariableA(variable.name, variable.value.c_str());
}

std::string versionCommandLine(const char *javaExe) {
    char shortPath[kShortPathCapacity];
    // Narrow: a runtime path is narrow, as the VM and its java.exe take it.
    DWORD length = GetShortPathNameA(javaExe, shortPath, kShortPathCapacity);
    if (length == 0 || length >= kShortPathCapacity) {
        logMessage("Could not get short path name for %S", javaExe);
        copyText(shortPath, kShortPathCapacity, javaExe);
    }
    return std::string("\"") + shortPath + "\" -version";
}

// Ends the run: false unless the exit code is 0, the marker cached for a
// runtime that failed.
bool judgeExitCode(CapturedChild &java, DWORD exitCode, const char *javaExe, uint64_t lastWriteTime,
                   bool writeCache) {
    logMessage("Exit Code %d", static_cast<int>(exitCode));
    if (exitCode == STILL_ACTIVE) {
        logMessage("Terminating process");
        java.terminate();
    } else if (exitCode != 0) {
        if (writeCache)
            writeVersionCache(javaExe, lastWriteTime, kFailedRunVersion, kTargetPeMachine);
    }
    return exitCode == 0;
}

}  // namespace

bool runJavaVersion(const char *javaExe, uint64_t lastWriteTime, char *version, bool writeCache) {
    std::string commandLine = versionCommandLine(javaExe);
    std::vector<SavedVariable> saved = removeJavaOptionsVariables();
    CapturedChild java;
    ChildOptions options;
    options.hideWindow = true;
    options.creationFlags = NORMAL_PRIORITY_CLASS;
    bool started = java.start(commandLine, options);
    std::string output;
    DWORD exitCode = 1;
    if (started) {
        output = java.readOutput(kOutputKeepLimit, true, kVersionRunWaitMs);
        // A runtime still writing after all that is no runtime to wait for.
        DWORD elapsed = java.cutOff() ? kVersionRunWaitMs : java.elapsedMs();
        exitCode = java.waitForExit(elapsed < kVersionRunWaitMs ? kVersionRunWaitMs - elapsed : 0);
    }
    restoreVariables(saved);
    if (!started) {
        if (java.startError() != 0)
            logMessage("Could not create process %S (error %d)", commandLine.c_str(),
                       static_cast<int>(java.startError()));
        return false;
    }
    if (!judgeExitCode(java, exitCode, javaExe, lastWriteTime, writeCache))
        return false;
    std::vector<std::string> versions = versionsInOutput(output);
    for (const std::string &found : versions) {
        copyText(version, kVersionCapacity, found.c_str());
        logMessage("Java version2: %S", version);
    }
    return !versions.empty();
}
