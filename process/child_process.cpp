#include "process/child_process.h"

#include <algorithm>

#include "diagnostics/log.h"

namespace {

BOOL createProcess(std::string &commandLine, DWORD flags, STARTUPINFOA &startup, PROCESS_INFORMATION &process) {
    return CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup,
                          &process);
}

BOOL createProcess(std::wstring &commandLine, DWORD flags, STARTUPINFOW &startup, PROCESS_INFORMATION &process) {
    return CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup,
                          &process);
}

}  // namespace

// Only the child's end is inheritable.
bool CapturedChild::createPipe() {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    if (!CreatePipe(readEnd_.receive(), writeEnd_.receive(), &inheritable, 0)) {
        logMessage(L"CreatePipe error (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    if (!SetHandleInformation(readEnd_.get(), HANDLE_FLAG_INHERIT, 0)) {
        logMessage(L"SetHandleInformation error (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    return true;
}

template <typename Char, typename StartupInfo>
bool CapturedChild::launch(std::basic_string<Char> &commandLine, const ChildOptions &options) {
    if (!createPipe())
        return false;
    StartupInfo startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | (options.hideWindow ? STARTF_USESHOWWINDOW : 0);
    startup.wShowWindow = options.hideWindow ? SW_HIDE : 0;
    startup.hStdInput = nullptr;
    startup.hStdOutput = options.captureOutput ? writeEnd_.get() : nullptr;
    startup.hStdError = writeEnd_.get();
    PROCESS_INFORMATION process;
    BOOL started = createProcess(commandLine, options.creationFlags, startup, process);
    startError_ = GetLastError();
    // The child holds its own copy; ours would keep the pipe from ever ending.
    writeEnd_.reset();
    if (!started)
        return false;
    process_.reset(process.hProcess);
    thread_.reset(process.hThread);
    return true;
}

bool CapturedChild::start(std::string commandLine, const ChildOptions &options) {
    return launch<char, STARTUPINFOA>(commandLine, options);
}

bool CapturedChild::start(std::wstring commandLine, const ChildOptions &options) {
    return launch<wchar_t, STARTUPINFOW>(commandLine, options);
}

std::string CapturedChild::readOutput(size_t keep, bool drain) {
    std::string text;
    char chunk[4096];
    DWORD count;
    while (drain || text.size() < keep) {
        DWORD wanted = drain ? sizeof chunk : static_cast<DWORD>(std::min(sizeof chunk, keep - text.size()));
        if (!ReadFile(readEnd_.get(), chunk, wanted, &count, nullptr) || count == 0)
            break;
        if (text.size() < keep)
            text.append(chunk, std::min<size_t>(count, keep - text.size()));
    }
    readEnd_.reset();
    return text;
}

DWORD CapturedChild::waitForExit(DWORD milliseconds) {
    WaitForSingleObject(process_.get(), milliseconds);
    DWORD exitCode = 1;
    GetExitCodeProcess(process_.get(), &exitCode);
    return exitCode;
}
