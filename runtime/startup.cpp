#include "runtime/startup.h"

#include <windows.h>

#include <cstdlib>

#include "common/capacities.h"
#include "common/records.h"
#include "config/load_config.h"
#include "config/settings.h"
#include "diagnostics/log.h"
#include "paths/expand_variables.h"
#include "paths/path_utils.h"

void reducePath(bool wholeFolders) {
    DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (size == 0)
        return;
    std::wstring path(size, L'\0');
    DWORD length = GetEnvironmentVariableW(L"PATH", &path[0], size);
    if (length == 0 || length >= size)
        return;
    path.resize(length);
    wchar_t windowsDirectory[260];
    UINT directoryLength = GetWindowsDirectoryW(windowsDirectory, 260);
    if (directoryLength == 0 || directoryLength >= 260)
        return;
    logMessage("reducing PATH %d %d %s", static_cast<int>(directoryLength), static_cast<int>(size), path.c_str());
    std::wstring reduced = keepEntriesUnder(path, windowsDirectory, wholeFolders);
    logMessage("reduced PATH %d to %s", static_cast<int>(reduced.size()), reduced.c_str());
    if (!reduced.empty() && !SetEnvironmentVariableW(L"PATH", reduced.c_str()))
        logMessage("ERROR setting path");
}

void clearJavaOptionsVariables() {
    static const wchar_t *const names[] = {L"_JAVA_OPTIONS", L"JDK_JAVA_OPTIONS", L"JAVA_TOOL_OPTIONS"};
    for (const wchar_t *name : names)
        SetEnvironmentVariableW(name, nullptr);
    // The runtime library keeps its own copy, which a VM in this process reads.
    for (const wchar_t *name : names)
        _wputenv((std::wstring(name) + L"=").c_str());
}

static void changeWorkingDirectory(const Settings &settings) {
    wchar_t directory[kPathCapacity];
    settings.text(record::kWorkingDirectory, directory, kPathCapacity);
    if (directory[0] == 0) {
        logMessage("working directory unchanged");
        return;
    }
    // Before the run's own directories exist: their variables expand to nothing.
    expandVariables(RunPlaces(), directory, kPathCapacity, ExpandMode::Option);
    wchar_t fullPath[kPathCapacity];
    getFullPath(fullPath, kPathCapacity, directory, DirectoryForm::NarrowDerived, true);
    SetCurrentDirectoryW(fullPath);
    logMessage("change working directory to %s", fullPath);
}

void launcherStartup(Settings &settings) {
    loadConfigBlock(settings);
    if (settings.flag(record::kReducePath))
        reducePath(settings.flag(record::kStrictPathSearch));
    if (settings.flag(record::kIgnoreJavaOptions)) {
        logMessage("ignoring java options environment variables");
        clearJavaOptionsVariables();
    }
    changeWorkingDirectory(settings);
}
