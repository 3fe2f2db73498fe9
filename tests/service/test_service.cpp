#include "tests/service/test_service.h"

#include <tlhelp32.h>

#include "tests/service/service_roles.h"
#include "tests/support/launcher_harness.h"

namespace {

const DWORD kPollMs = 50;

struct ServiceHandles {
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
    ServiceHandles(const std::wstring &name, DWORD access) {
        manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        if (manager)
            service = OpenServiceW(manager, name.c_str(), access);
    }
    ~ServiceHandles() {
        if (service)
            CloseServiceHandle(service);
        if (manager)
            CloseServiceHandle(manager);
    }
};

SERVICE_STATUS_PROCESS queryStatus(SC_HANDLE service) {
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed;
    if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE *>(&status), sizeof status,
                              &needed))
        status.dwCurrentState = 0;
    return status;
}

template <typename Condition>
bool pollUntil(DWORD timeoutMs, Condition condition) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(kPollMs);
    }
    return true;
}

void terminateProcess(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process)
        return;
    TerminateProcess(process, 255);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

// Stops the service (its host ended by force if it does not stop in time) and
// deletes the registration. Wine keeps reporting a service whose host ended
// without a final report as running: only a living host is asked to stop.
void removeService(const std::wstring &name) {
    ServiceHandles handles(name, SERVICE_ALL_ACCESS);
    if (!handles.service)
        return;
    SERVICE_STATUS_PROCESS status = queryStatus(handles.service);
    if (status.dwCurrentState != SERVICE_STOPPED && processAlive(status.dwProcessId)) {
        SERVICE_STATUS ignored;
        ControlService(handles.service, SERVICE_CONTROL_STOP, &ignored);
        if (!pollUntil(10000, [&] { return queryStatus(handles.service).dwCurrentState == SERVICE_STOPPED; }))
            terminateProcess(status.dwProcessId);
    }
    DeleteService(handles.service);
}

}  // namespace

bool processAlive(DWORD pid) {
    HANDLE process = pid ? OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr;
    if (!process)
        return false;
    bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return alive;
}

bool waitForProcessEnd(DWORD pid, DWORD timeoutMs) {
    return pollUntil(timeoutMs, [&] { return !processAlive(pid); });
}

std::vector<DWORD> childProcesses(DWORD parent) {
    std::vector<DWORD> children;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return children;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == parent && entry.th32ProcessID != parent)
            children.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return children;
}

std::wstring uniqueServiceName() {
    static LONG counter;
    return kTestServicePrefix + std::to_wstring(GetCurrentProcessId()) + L" " +
           std::to_wstring(InterlockedIncrement(&counter));
}

void deleteLeftoverServices() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager)
        return;
    std::vector<std::wstring> names;
    std::vector<BYTE> buffer(256 * 1024);
    DWORD needed = 0, count = 0, resume = 0;
    if (EnumServicesStatusW(manager, SERVICE_WIN32, SERVICE_STATE_ALL,
                            reinterpret_cast<ENUM_SERVICE_STATUSW *>(buffer.data()), static_cast<DWORD>(buffer.size()),
                            &needed, &count, &resume)) {
        const ENUM_SERVICE_STATUSW *entries = reinterpret_cast<const ENUM_SERVICE_STATUSW *>(buffer.data());
        for (DWORD i = 0; i < count; i++) {
            if (wcsncmp(entries[i].lpServiceName, kTestServicePrefix, wcslen(kTestServicePrefix)) == 0)
                names.push_back(entries[i].lpServiceName);
        }
    }
    CloseServiceHandle(manager);
    for (const std::wstring &name : names)
        removeService(name);
}

std::wstring thisProgram() {
    wchar_t path[MAX_PATH * 4];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return length > 0 && length < MAX_PATH * 4 ? path : L"";
}

std::wstring hostBinaryPath(const std::wstring &program, const std::wstring &directory, const std::wstring &flags) {
    return L"\"" + program + L"\" " + kHostRole + L" \"" + directory + L"\"" + (flags.empty() ? L"" : L" " + flags);
}

TestService::TestService(const std::wstring &binaryPath) : name_(uniqueServiceName()) {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager)
        return;
    SC_HANDLE service = CreateServiceW(manager, name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    registered_ = service != nullptr;
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

TestService::TestService() : name_(uniqueServiceName()) {}

TestService::~TestService() { removeService(name_); }

bool TestService::start(const std::vector<std::wstring> &arguments) {
    ServiceHandles handles(name_, SERVICE_START);
    std::vector<const wchar_t *> pointers;
    for (const std::wstring &argument : arguments)
        pointers.push_back(argument.c_str());
    return handles.service && StartServiceW(handles.service, static_cast<DWORD>(pointers.size()),
                                            pointers.empty() ? nullptr : pointers.data());
}

bool TestService::control(DWORD code, SERVICE_STATUS &status) {
    bool ok;
    DWORD error;
    {
        ServiceHandles handles(name_, SERVICE_ALL_ACCESS);
        ok = handles.service && ControlService(handles.service, code, &status);
        error = GetLastError();
    }
    SetLastError(error);  // closing the handles must not hide why it failed
    return ok;
}

SERVICE_STATUS_PROCESS TestService::status() const {
    ServiceHandles handles(name_, SERVICE_QUERY_STATUS);
    SERVICE_STATUS_PROCESS none = {};
    return handles.service ? queryStatus(handles.service) : none;
}

bool TestService::waitForState(DWORD state, DWORD timeoutMs) const {
    return pollUntil(timeoutMs, [&] { return status().dwCurrentState == state; });
}

bool waitForFile(const std::wstring &path, DWORD timeoutMs) {
    return pollUntil(timeoutMs, [&] { return fileExists(path); });
}

std::wstring windowsTempDirectory() {
    wchar_t path[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, path);
    std::wstring directory(path, length <= MAX_PATH ? length : 0);
    if (!directory.empty() && directory.back() == L'\\')
        directory.pop_back();
    return directory;
}

std::vector<std::wstring> readLogs(const std::wstring &directory) {
    std::vector<std::wstring> logs;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((directory + L"\\zno_nlog_*.log").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return logs;
    do
        logs.push_back(readUtf8File(directory + L"\\" + entry.cFileName));
    while (FindNextFileW(search, &entry));
    FindClose(search);
    return logs;
}

void removeLogs(const std::wstring &directory) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((directory + L"\\zno_nlog_*.log").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do
        DeleteFileW((directory + L"\\" + entry.cFileName).c_str());
    while (FindNextFileW(search, &entry));
    FindClose(search);
}

std::wstring logContaining(const std::wstring &directory, const std::wstring &text) {
    for (const std::wstring &log : readLogs(directory)) {
        if (log.find(text) != std::wstring::npos)
            return log;
    }
    return std::wstring();
}

bool inOrder(const std::wstring &text, const std::vector<std::wstring> &lines) {
    size_t pos = 0;
    for (const std::wstring &line : lines) {
        pos = text.find(line, pos);
        if (pos == std::wstring::npos)
            return false;
        pos += line.size();
    }
    return true;
}
