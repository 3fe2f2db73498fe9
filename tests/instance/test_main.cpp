// Most cases run in this process; extraction and the hand-over end their
// process, so the program re-runs itself in a role named by its first argument.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/records.h"
#include "common/text.h"
#include "config/embedded_files.h"
#include "config/load_config.h"
#include "config/settings.h"
#include "diagnostics/fatal.h"
#include "instance/single_instance.h"
#include "paths/temp_dirs.h"
#include "runtime/process_hooks.h"
#include "tests/instance/instance_roles.h"

namespace {

std::vector<std::wstring> wideArguments() {
    std::vector<std::wstring> arguments;
    int count = 0;
    LPWSTR *list = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; list != nullptr && i < count; ++i)
        arguments.push_back(list[i]);
    if (list != nullptr)
        LocalFree(list);
    return arguments;
}

void writeReport(const std::wstring &path, const std::string &text) {
    FILE *report = _wfopen(path.c_str(), L"wb");
    if (!report)
        return;
    fputs(text.c_str(), report);
    fclose(report);
}

int runExtract(const std::vector<std::wstring> &arguments) {
    if (arguments.size() != 3)
        return 2;
    static Settings settings;
    loadConfigBlock(settings);
    // As in the run sequence: a failure ends through fatalExit, which removes it.
    LauncherTempDir tempDir;
    FatalCleanUpScope tempDirCleanUp(removeLauncherTempDirAtFatalExit, &tempDir);
    uint32_t unextractedOffset = 0;
    if (extractEmbeddedFiles(settings, false, tempDir, &unextractedOffset) != 0)
        fatalMessage(message::kInternalError, "16");
    writeReport(arguments[2], std::string("tempdir=") + tempDir.path + "\noffset=" +
                                  std::to_string(unextractedOffset) + "\n");
    return 0;
}

// A visible, minimised top-level window for the hand-over to bring forward.
// A desktop just created may take a moment before it can hold windows.
bool showMinimisedWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"PelluxInstanceTestWindow";
    RegisterClassW(&windowClass);
    HWND window = nullptr;
    for (int attempt = 0; window == nullptr && attempt < 200; attempt++) {
        window = CreateWindowW(windowClass.lpszClassName, L"instance test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                               nullptr, nullptr, windowClass.hInstance, nullptr);
        if (!window)
            Sleep(50);
    }
    ShowWindow(window, SW_SHOWMINIMIZED);
    return window != nullptr;
}

bool moveToDesktop(const std::wstring &name) {
    HDESK desktop = OpenDesktopW(name.c_str(), 0, FALSE, GENERIC_ALL);
    return desktop != nullptr && SetThreadDesktop(desktop);
}

// Keeps answering window messages (the other copy's ShowWindow waits for
// them) until released or 30 s have passed; a deaf holder answers none.
void holdUntilReleased(const std::wstring &name, bool deaf) {
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, (name + L"-ready").c_str());
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, (name + L"-release").c_str());
    if (ready)
        SetEvent(ready);
    DWORD deadline = GetTickCount() + 30000;
    if (deaf && release)
        WaitForSingleObject(release, 30000);
    while (!deaf && release && static_cast<int>(deadline - GetTickCount()) > 0) {
        DWORD wait = MsgWaitForMultipleObjects(1, &release, FALSE, deadline - GetTickCount(), QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 + 1)
            break;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    if (ready)
        CloseHandle(ready);
    if (release)
        CloseHandle(release);
}

int runInstance(const std::vector<std::wstring> &arguments) {
    Settings settings;
    if (arguments.size() < 3)
        return 2;
    std::wstring holdName;
    bool window = false;
    bool deaf = false;
    bool serviceWorker = false;
    // As in the run sequence: a hand-over ends through fatalExit, which removes it.
    LauncherTempDir tempDir;
    FatalCleanUpScope tempDirCleanUp(removeLauncherTempDirAtFatalExit, &tempDir);
    for (size_t i = 3; i < arguments.size(); i++) {
        const std::wstring &argument = arguments[i];
        size_t equals = argument.find(L'=');
        if (argument == L"--window")
            window = showMinimisedWindow();
        else if (argument == L"--deaf")
            deaf = true;
        else if (argument == L"--desktop" && i + 1 < arguments.size()) {
            if (!moveToDesktop(arguments[++i]))
                return 2;
        }
        else if (argument == L"--temp-dir" && i + 1 < arguments.size())
            tempDir.path = narrowBytes(arguments[++i]);
        else if (argument == L"--service-worker")
            serviceWorker = true;
        else if (argument == L"--hold" && i + 1 < arguments.size())
            holdName = arguments[++i];
        else if (equals != std::wstring::npos)
            settings.records[std::stoi(argument.substr(0, equals))] = narrowBytes(argument.substr(equals + 1));
        else
            return 2;
    }
    InstanceSemaphore semaphore = checkSingleInstance(settings, serviceWorker);
    writeReport(arguments[2], "pid=" + std::to_string(GetCurrentProcessId()) + "\nsemaphore=" + semaphore.name +
                                  "\nwindow=" + (window ? "1" : "0") + "\n");
    if (!holdName.empty())
        holdUntilReleased(holdName, deaf);
    return kRoleReturnedExitCode;
}

}  // namespace

int main(int argc, char **argv) {
    installProcessHooks();
    std::vector<std::wstring> arguments = wideArguments();
    if (arguments.size() > 1 && arguments[1] == ROLE_EXTRACT)
        return runExtract(arguments);
    if (arguments.size() > 1 && arguments[1] == ROLE_INSTANCE)
        return runInstance(arguments);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
