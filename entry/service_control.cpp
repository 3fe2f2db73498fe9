#include "entry/service_control.h"

#include <cstdarg>
#include <cstdio>

#include "common/format.h"
#include "common/records.h"
#include "config/config_store.h"
#include "config/process_role.h"
#include "entry/service_rules.h"
#include "paths/path_utils.h"

namespace {

const size_t kTextCapacity = 6000;

void printLine(const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = formatStringV(format, args);
    va_end(args);
    fputs(text.c_str(), stdout);
    fflush(stdout);
}

SC_HANDLE openServiceManager(DWORD access) { return OpenSCManagerA(nullptr, nullptr, access); }

void closeHandles(SC_HANDLE service, SC_HANDLE manager) {
    if (service)
        CloseServiceHandle(service);
    if (manager)
        CloseServiceHandle(manager);
}

void setServiceDescription(SC_HANDLE service) {
    wchar_t description[kTextCapacity];
    getMessageText(message::kServiceDescription, description, kTextCapacity);
    if (description[0] == 0)
        return;
    typedef BOOL(WINAPI * ChangeConfig2)(SC_HANDLE, DWORD, LPVOID);
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    ChangeConfig2 changeConfig2 = advapi ? reinterpret_cast<ChangeConfig2>(reinterpret_cast<void *>(
                                               GetProcAddress(advapi, "ChangeServiceConfig2W")))
                                         : nullptr;
    if (!changeConfig2)
        return;
    SERVICE_DESCRIPTIONW text = {description};
    changeConfig2(service, SERVICE_CONFIG_DESCRIPTION, &text);
}

}  // namespace

std::wstring readServiceDependencies() {
    wchar_t record[kTextCapacity];
    getConfigStringW(record::kDependencies, record, kTextCapacity);
    return buildDependencyList(record);
}

int installService(unsigned long startType) {
    uninstallService(false);
    SC_HANDLE manager = openServiceManager(SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        printLine("Could not open SCManager.\n");
        return 1;
    }
    std::wstring binaryPath = formatString(L"\"%s\"", getExecutablePath());
    std::wstring dependencies = readServiceDependencies();
    SC_HANDLE service = CreateServiceW(manager, serviceName, serviceName, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL,
                                       binaryPath.c_str(), nullptr, nullptr,
                                       dependencies.empty() ? nullptr : dependencies.c_str(), nullptr, nullptr);
    if (!service) {
        printLine("Could not create service.\n");
        closeHandles(nullptr, manager);
        return 1;
    }
    setServiceDescription(service);
    closeHandles(service, manager);
    printLine("Installed service '%S'.\n", serviceName);
    return 0;
}

int uninstallService(bool verbose) {
    stopService(false);
    SC_HANDLE manager = openServiceManager(SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        if (verbose)
            printLine("Could not open SCManager.\n");
        return 1;
    }
    SC_HANDLE service = OpenServiceW(manager, serviceName, DELETE);
    bool deleted = service && DeleteService(service);
    closeHandles(service, manager);
    if (!deleted) {
        if (verbose)
            printLine("Could not delete service.\n");
        return 1;
    }
    if (verbose)
        printLine("Uninstalled service '%S'.\n", serviceName);
    return 0;
}

int startService(const StringList &arguments) {
    SC_HANDLE manager = openServiceManager(SC_MANAGER_CONNECT);
    if (!manager) {
        printLine("Could not open SCManager.\n");
        return 1;
    }
    SC_HANDLE service = OpenServiceW(manager, serviceName, SERVICE_START);
    if (!service) {
        printLine("Could not start service. Error code: %d\n", static_cast<int>(GetLastError()));
        closeHandles(nullptr, manager);
        return 1;
    }
    // The first element names the service; only what follows it is passed on.
    std::vector<const wchar_t *> startArguments;
    for (size_t i = 1; i < arguments.size(); i++)
        startArguments.push_back(arguments[i].c_str());
    BOOL started = StartServiceW(service, static_cast<DWORD>(startArguments.size()),
                                 startArguments.empty() ? nullptr : startArguments.data());
    DWORD error = GetLastError();
    closeHandles(service, manager);
    if (started) {
        printLine("Starting service '%S'.\n", serviceName);
        return 0;
    }
    if (error == ERROR_SERVICE_ALREADY_RUNNING) {
        printLine("Service is already running.\n");
        return 0;
    }
    printLine("Could not start service. Error code: %d\n", static_cast<int>(error));
    return 1;
}

int stopService(bool verbose) {
    SC_HANDLE manager = openServiceManager(SC_MANAGER_CONNECT);
    if (!manager) {
        if (verbose)
            printLine("Could not open SCManager.\n");
        return 1;
    }
    SC_HANDLE service = OpenServiceW(manager, serviceName, SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (!service) {
        if (verbose)
            printLine("Could not stop service.\n");
        closeHandles(nullptr, manager);
        return 1;
    }
    SERVICE_STATUS status;
    int result = 0;
    if (ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        printLine("Stopping service '%S'.\n", serviceName);
        printLine(waitForServiceStop(service) ? "Service stopped\n" : "Error while stopping service\n");
    } else if (GetLastError() == ERROR_SERVICE_NOT_ACTIVE) {
        printLine("Service is already stopped.\n");
    } else {
        if (verbose)
            printLine("Could not stop service.\n");
        result = 1;
    }
    closeHandles(service, manager);
    return result;
}

bool waitForServiceStop(SC_HANDLE service) {
    SERVICE_STATUS status;
    if (!QueryServiceStatus(service, &status))
        return false;
    StopWait wait;
    beginStopWait(wait, status.dwCheckPoint, GetTickCount());
    for (;;) {
        if (status.dwCurrentState != SERVICE_STOP_PENDING)
            break;
        Sleep(500);
        if (!QueryServiceStatus(service, &status))
            return false;
        if (!keepWaitingForStop(wait, status.dwCurrentState, status.dwCheckPoint, status.dwWaitHint, GetTickCount()))
            break;
    }
    return status.dwCurrentState == SERVICE_STOPPED;
}

int showServiceStatus() {
    SC_HANDLE manager = openServiceManager(SC_MANAGER_CONNECT);
    if (!manager) {
        printLine("Could not open SCManager.\n");
        return 1;
    }
    SC_HANDLE service = OpenServiceW(manager, serviceName, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS);
    SERVICE_STATUS status;
    if (!service || !QueryServiceStatus(service, &status)) {
        printLine("Could not get status.\n");
        closeHandles(service, manager);
        return 1;
    }
    int result = 3;
    if (status.dwCurrentState == SERVICE_RUNNING) {
        printLine("Running.\n");
        result = 0;
    } else {
        printLine("Not running.\n");
    }
    // Aligned for the record the query writes at its start.
    union {
        QUERY_SERVICE_CONFIGA config;
        char bytes[kTextCapacity];
    } buffer;
    DWORD needed = 0;
    if (!QueryServiceConfigA(service, &buffer.config, sizeof buffer, &needed)) {
        printLine("Could not get config (%d, %d).\n", static_cast<int>(GetLastError()), static_cast<int>(needed));
        result = 1;
    } else if (buffer.config.dwStartType == SERVICE_AUTO_START) {
        printLine("%s.\n", "Auto-start");
    }
    closeHandles(service, manager);
    return result;
}
