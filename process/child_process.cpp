#include "process/child_process.h"

#include <algorithm>

#include "diagnostics/log.h"

namespace {

// Narrow: for java.exe started with a narrow runtime path.
BOOL createProcess(std::string &commandLine, DWORD flags, STARTUPINFOEXA &startup, PROCESS_INFORMATION &process) {
    return CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                          &startup.StartupInfo, &process);
}

BOOL createProcess(std::wstring &commandLine, DWORD flags, STARTUPINFOEXW &startup, PROCESS_INFORMATION &process) {
    return CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                          &startup.StartupInfo, &process);
}

// An attribute list that lets one handle, and no other inheritable handle of
// this process, reach the child.
class InheritedHandleList {
public:
    explicit InheritedHandleList(HANDLE handle) : handle_(handle) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        if (size == 0 || size > sizeof storage_)
            return;
        auto *list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_);
        if (!InitializeProcThreadAttributeList(list, 1, 0, &size))
            return;
        if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &handle_, sizeof handle_, nullptr,
                                      nullptr))
            list_ = list;
        else
            DeleteProcThreadAttributeList(list);
    }
    ~InheritedHandleList() {
        if (list_)
            DeleteProcThreadAttributeList(list_);
    }
    InheritedHandleList(const InheritedHandleList &) = delete;
    InheritedHandleList &operator=(const InheritedHandleList &) = delete;
    // Null where the system offers no such list; the child then inherits as before.
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

private:
    HANDLE handle_;
    alignas(void *) unsigned char storage_[256] = {};
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// What the pipe holds now; false once every writer has closed it.
bool bytesWaiting(HANDLE pipe, DWORD *available) {
    *available = 0;
    return PeekNamedPipe(pipe, nullptr, 0, nullptr, available, nullptr) != 0;
}

}  // namespace

// Only the child's end is inheritable.
bool CapturedChild::createPipe() {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    if (!CreatePipe(readEnd_.receive(), writeEnd_.receive(), &inheritable, 0)) {
        logMessage("CreatePipe error (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    if (!SetHandleInformation(readEnd_.get(), HANDLE_FLAG_INHERIT, 0)) {
        logMessage("SetHandleInformation error (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    return true;
}

template <typename Char, typename StartupInfo>
bool CapturedChild::launch(std::basic_string<Char> &commandLine, const ChildOptions &options) {
    if (!createPipe())
        return false;
    StartupInfo startup = {};
    startup.StartupInfo.cb = sizeof startup.StartupInfo;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | (options.hideWindow ? STARTF_USESHOWWINDOW : 0);
    startup.StartupInfo.wShowWindow = options.hideWindow ? SW_HIDE : 0;
    startup.StartupInfo.hStdInput = nullptr;
    startup.StartupInfo.hStdOutput = options.captureOutput ? writeEnd_.get() : nullptr;
    startup.StartupInfo.hStdError = writeEnd_.get();
    InheritedHandleList inherited(writeEnd_.get());
    DWORD flags = options.creationFlags;
    if (inherited.get()) {
        startup.StartupInfo.cb = sizeof startup;
        startup.lpAttributeList = inherited.get();
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
    PROCESS_INFORMATION process;
    BOOL started = createProcess(commandLine, flags, startup, process);
    startError_ = GetLastError();
    // The child holds its own copy; ours would keep the pipe from ever ending.
    writeEnd_.reset();
    if (!started)
        return false;
    process_.reset(process.hProcess);
    thread_.reset(process.hThread);
    startTick_ = GetTickCount();
    return true;
}

bool CapturedChild::start(std::string commandLine, const ChildOptions &options) {
    return launch<char, STARTUPINFOEXA>(commandLine, options);
}

bool CapturedChild::start(std::wstring commandLine, const ChildOptions &options) {
    return launch<wchar_t, STARTUPINFOEXW>(commandLine, options);
}

std::string CapturedChild::readOutput(size_t keep, bool drain, DWORD limitMs) {
    std::string text;
    char chunk[4096];
    DWORD available, count;
    size_t read = 0;
    cutOff_ = false;
    while ((drain || text.size() < keep) && bytesWaiting(readEnd_.get(), &available)) {
        // A child that writes without pause never empties the pipe: the limits
        // hold on every pass.
        if (elapsedMs() >= limitMs || read >= kMostBytesRead) {
            logMessage("no end of output after %d ms and %d bytes", static_cast<int>(elapsedMs()),
                       static_cast<int>(read));
            cutOff_ = true;
            break;
        }
        if (available == 0) {
            // Ended with its output read: what still holds the pipe is not the child.
            if (WaitForSingleObject(process_.get(), 10) == WAIT_OBJECT_0 &&
                bytesWaiting(readEnd_.get(), &available) && available == 0)
                break;
            continue;
        }
        DWORD wanted = std::min<DWORD>(available, sizeof chunk);
        if (!drain)
            wanted = static_cast<DWORD>(std::min<size_t>(wanted, keep - text.size()));
        if (!ReadFile(readEnd_.get(), chunk, wanted, &count, nullptr) || count == 0)
            break;
        read += count;
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
