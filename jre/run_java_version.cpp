#include <windows.h>

#include <string>
#include <vector>

#include "common/target.h"
#include "common/text.h"
#include "jre/check_java_exe.h"
#include "jre/search_observer.h"
#include "jre/version_cache.h"
#include "runtime/log.h"

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
            logMessage(L"%S is %S", name, value.c_str());
            saved.push_back(SavedVariable{name, value});
        } else {
            logMessage(L"error reading %S", name);
        }
        SetEnvironmentVariableA(name, nullptr);
    }
    return saved;
}

void restoreVariables(const std::vector<SavedVariable> &saved) {
    for (const SavedVariable &variable : saved)
        SetEnvironmentVariableA(variable.name, variable.value.c_str());
}

bool createErrorPipe(HANDLE &readEnd, HANDLE &writeEnd) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        logMessage(L"CreatePipe error (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    if (!SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0)) {
        logMessage(L"SetHandleInformation error (%d)", static_cast<int>(GetLastError()));
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        return false;
    }
    return true;
}

std::string readToEnd(HANDLE readEnd) {
    std::string text;
    char chunk[512];
    DWORD count;
    while (ReadFile(readEnd, chunk, sizeof chunk, &count, nullptr) && count > 0) {
        if (text.size() < kOutputKeepLimit)
            text.append(chunk, count);
    }
    return text;
}

std::string versionCommandLine(const char *javaExe) {
    char shortPath[kShortPathCapacity];
    DWORD length = GetShortPathNameA(javaExe, shortPath, kShortPathCapacity);
    if (length == 0 || length >= kShortPathCapacity) {
        logMessage(L"Could not get short path name for %S", javaExe);
        copyText(shortPath, kShortPathCapacity, javaExe);
    }
    return std::string("\"") + shortPath + "\" -version";
}

// Ends the run: false unless the exit code is 0, the marker cached for a
// runtime that failed.
bool judgeExitCode(const PROCESS_INFORMATION &process, const char *javaExe, uint64_t lastWriteTime) {
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    logMessage(L"Exit Code %d", static_cast<int>(exitCode));
    if (exitCode == STILL_ACTIVE) {
        logMessage(L"Terminating process");
        TerminateProcess(process.hProcess, 1);
    } else if (exitCode != 0) {
        if (runtimeSearchWatch().writeVersionCache)
            writeVersionCache(javaExe, lastWriteTime, kFailedRunVersion, kTargetPeMachine);
    }
    return exitCode == 0;
}

}  // namespace

bool runJavaVersion(const char *javaExe, uint64_t lastWriteTime, char *version) {
    std::string commandLine = versionCommandLine(javaExe);
    std::vector<SavedVariable> saved = removeJavaOptionsVariables();
    HANDLE readEnd, writeEnd;
    if (!createErrorPipe(readEnd, writeEnd)) {
        restoreVariables(saved);
        return false;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nullptr;
    startup.hStdOutput = nullptr;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process;
    BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                                  nullptr, &startup, &process);
    DWORD startError = GetLastError();
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        output = readToEnd(readEnd);
        WaitForSingleObject(process.hProcess, kVersionRunWaitMs);
    }
    restoreVariables(saved);
    if (!started) {
        logMessage(L"Could not create process %S (error %d)", commandLine.c_str(), static_cast<int>(startError));
        CloseHandle(readEnd);
        return false;
    }
    bool exitedCleanly = judgeExitCode(process, javaExe, lastWriteTime);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(readEnd);
    if (!exitedCleanly)
        return false;
    std::vector<std::string> versions = versionsInOutput(output);
    for (const std::string &found : versions) {
        copyText(version, kJavaVersionCapacity, found.c_str());
        logMessage(L"Java version2: %S", version);
    }
    return !versions.empty();
}
