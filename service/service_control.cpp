#include "service/service_control.h"

#include <cstdarg>
#include <cstdio>

#include "common/capacities.h"
#include "common/format.h"
#include "common/private_security.h"
#include "common/records.h"
#include "common/win32_handles.h"
#include "config/settings.h"
#include "paths/path_utils.h"
#include "service/install_security.h"
#include "service/security_rules.h"
#include "service/service_account.h"
#include "service/service_registration.h"
#include "service/service_rules.h"
#include "service/worker_channel.h"

namespace {

void printLine(const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = formatStringV(format, args);
    va_end(args);
    fputs(text.c_str(), stdout);
    fflush(stdout);
}

ServiceHandle openServiceManager(DWORD access) { return ServiceHandle(OpenSCManagerW(nullptr, nullptr, access)); }

// The wait of waitForServiceStop; status holds the last answer.
bool waitForStopStatus(SC_HANDLE service, SERVICE_STATUS &status) {
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

bool workerWasEnded(const SERVICE_STATUS &status) {
    return status.dwWin32ExitCode == ERROR_SERVICE_SPECIFIC_ERROR &&
           status.dwServiceSpecificExitCode == robustness::kWorkerEndedExitCode;
}

// With a bounded stop, stops from this program take turns: Wine's service
// manager ends the service process outright when a second stop arrives
// before the first one's stop-pending report, and the service is then left
// "running" for good. The turn is held only while the request is sent.
class StopTurn {
public:
    StopTurn(bool wanted, const wchar_t *serviceName) {
        if (!wanted)
            return;
        std::wstring name = std::wstring(L"Global\\pellux-stop-") + serviceName;
        // Anyone may create the name first and hold it: an object the
        // administrators do not own is not waited on.
        PrivateSecurity security(MUTEX_ALL_ACCESS, 0);
        mutex_.reset(CreateMutexW(security.attributes(), FALSE, name.c_str()));
        if (mutex_ && GetLastError() == ERROR_ALREADY_EXISTS &&
            !isTrustedOwner(kernelObjectOwner(mutex_.get()), currentUserSid())) {
            fputs(formatString("Warning: %S belongs to another account; the stop does not wait for its turn.\n",
                               name.c_str())
                      .c_str(),
                  stderr);
            mutex_.reset();
        }
        if (!mutex_)
            return;  // a stop without its turn still goes out
        DWORD waited = WaitForSingleObject(mutex_.get(), kStopTurnWaitMs);
        owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~StopTurn() { release(); }
    StopTurn(const StopTurn &) = delete;
    StopTurn &operator=(const StopTurn &) = delete;
    void release() {
        if (owned_)
            ReleaseMutex(mutex_.get());
        owned_ = false;
    }

private:
    static const DWORD kStopTurnWaitMs = 30000;
    UniqueHandle mutex_;
    bool owned_ = false;
};

// Another stop already under way: this one waits for it like its own.
bool stopAlreadyUnderWay(SC_HANDLE service, DWORD error) {
    SERVICE_STATUS status;
    return error == ERROR_SERVICE_CANNOT_ACCEPT_CTRL && QueryServiceStatus(service, &status) &&
           status.dwCurrentState == SERVICE_STOP_PENDING;
}

void waitForStopAndReport(SC_HANDLE service, const wchar_t *serviceName) {
    printLine("Stopping service '%S'.\n", serviceName);
    SERVICE_STATUS status;
    bool stopped = waitForStopStatus(service, status);
    printLine(stopped ? "Service stopped\n" : "Error while stopping service\n");
    if (stopped && workerWasEnded(status))
        printLine("The application did not stop in time and was ended.\n");
}

// Install and uninstall touch a registration of this program only; another
// program's service of the same name (a system one, say), or one that cannot
// be read, is left alone. what: "replaced" or "uninstalled".
bool serviceBelongsToOtherProgram(const wchar_t *serviceName, const char *what) {
    ServiceHandle manager = openServiceManager(SC_MANAGER_CONNECT);
    if (!manager)
        return false;  // the command's own open fails and says so
    ServiceHandle service(OpenServiceW(manager.get(), serviceName, SERVICE_QUERY_CONFIG));
    DWORD openError = service ? 0 : GetLastError();
    union {
        QUERY_SERVICE_CONFIGW config;
        unsigned char bytes[8192];
    } answer;
    DWORD needed = 0;
    const wchar_t *binaryPath = service && QueryServiceConfigW(service.get(), &answer.config, sizeof answer, &needed)
                                    ? answer.config.lpBinaryPathName
                                    : nullptr;
    Registration registration = registrationOf(openError, binaryPath, getExecutablePath());
    if (registration == Registration::kOtherProgram)
        printLine("A service named '%S' already exists for another program (%S); it is not %s.\n", serviceName,
                  binaryPath, what);
    else if (registration == Registration::kUnknown && openError != 0)
        printLine("A service named '%S' exists but could not be opened (error %d); it is not %s.\n", serviceName,
                  static_cast<int>(openError), what);
    else if (registration == Registration::kUnknown)
        printLine("A service named '%S' already exists for another program (unknown); it is not %s.\n",
                  serviceName, what);
    return registration == Registration::kOtherProgram || registration == Registration::kUnknown;
}

}  // namespace

std::wstring readServiceDependencies(const Settings &settings) {
    wchar_t record[kTextCapacity];
    settings.text(record::kDependencies, record, kTextCapacity);
    return buildDependencyList(record);
}

namespace {

// Delayed start goes with automatic start only; Wine refuses the flag (183),
// so a refusal is a warning and the service keeps plain automatic start.
void registerStartDelay(const Settings &settings, SC_HANDLE service, DWORD startType, bool updating) {
    bool delayed = startType == SERVICE_AUTO_START && settings.flag(record::kDelayedAutoStart);
    // An update clears a delay the block no longer asks for.
    if (!delayed && !(updating && startType == SERVICE_AUTO_START && hasDelayedStart(service)))
        return;
    DWORD error = registerDelayedStart(service, delayed);
    if (error != 0 && delayed)
        printLine("Warning: Windows refused the delayed start (error %d); the service starts automatically "
                  "without delay.\n",
                  static_cast<int>(error));
}

// What the block sets, over the registration of this executable; what it does
// not set (an account, recovery actions, dependencies) stays as it is.
int updateService(const Settings &settings, SC_HANDLE service, const wchar_t *serviceName, DWORD startType,
                  const ServiceAccount &account, const AccountPassword &password) {
    std::wstring binaryPath = formatString(L"\"%s\"", getExecutablePath());
    std::wstring dependencies = readServiceDependencies(settings);
    bool accountSet = !settings.isEmpty(record::kServiceAccount);
    const wchar_t *accountName = account.name.empty() ? L"LocalSystem" : account.name.c_str();
    if (!ChangeServiceConfigW(service, SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL,
                              binaryPath.c_str(), nullptr, nullptr,
                              settings.isEmpty(record::kDependencies) ? nullptr : dependencies.c_str(),
                              accountSet ? accountName : nullptr, accountSet ? password.get() : nullptr,
                              serviceName)) {
        printLine("Could not update service. Error code: %d\n", static_cast<int>(GetLastError()));
        return 1;
    }
    setServiceDescription(settings, service);
    registerRobustness(service, loadRobustnessSettings(settings));
    if (settings.flag(record::kEventLog))
        registerEventSource(serviceName);
    printLine("Updated service '%S'.\n", serviceName);
    registerStartDelay(settings, service, startType, true);
    if (accountSet)
        grantServiceLogonRight(account);
    return 0;
}

}  // namespace

int installService(const Settings &settings, const wchar_t *serviceName, unsigned long startType, bool *refused) {
    ServiceAccount account;
    AccountPassword password;
    if (!chooseAccount(settings, serviceName, &account, &password))
        return 1;
    if (serviceBelongsToOtherProgram(serviceName, "replaced") ||
        !folderAllowsInstall(settings, account.name, accountSid(account))) {
        if (refused)
            *refused = true;
        return 1;
    }
    if (settings.flag(record::kUpdateInPlace)) {
        ServiceHandle manager = openServiceManager(SC_MANAGER_CONNECT);
        ServiceHandle existing(manager ? OpenServiceW(manager.get(), serviceName, SERVICE_CHANGE_CONFIG | SERVICE_QUERY_CONFIG)
                                       : nullptr);
        if (existing)
            return updateService(settings, existing.get(), serviceName, startType, account, password);
    }
    uninstallService(settings, serviceName, false);
    ServiceHandle manager = openServiceManager(SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        printLine("Could not open SCManager.\n");
        return 1;
    }
    std::wstring binaryPath = formatString(L"\"%s\"", getExecutablePath());
    std::wstring dependencies = readServiceDependencies(settings);
    ServiceHandle service(CreateServiceW(manager.get(), serviceName, serviceName, SERVICE_ALL_ACCESS,
                                         SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL,
                                         binaryPath.c_str(), nullptr, nullptr,
                                         dependencies.empty() ? nullptr : dependencies.c_str(),
                                         account.name.empty() ? nullptr : account.name.c_str(), password.get()));
    if (!service) {
        printLine("Could not create service.\n");
        return 1;
    }
    setServiceDescription(settings, service.get());
    registerRobustness(service.get(), loadRobustnessSettings(settings));
    if (settings.flag(record::kEventLog))
        registerEventSource(serviceName);
    printLine("Installed service '%S'.\n", serviceName);
    registerStartDelay(settings, service.get(), startType, false);
    grantServiceLogonRight(account);
    return 0;
}

int uninstallService(const Settings &settings, const wchar_t *serviceName, bool verbose) {
    if (verbose && settings.flag(record::kUninstallOwnOnly) && serviceBelongsToOtherProgram(serviceName, "uninstalled"))
        return 1;
    stopService(settings, serviceName, false);
    ServiceHandle manager = openServiceManager(SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        if (verbose)
            printLine("Could not open SCManager.\n");
        return 1;
    }
    ServiceHandle service(OpenServiceW(manager.get(), serviceName, DELETE));
    if (!service || !DeleteService(service.get())) {
        if (verbose)
            printLine("Could not delete service.\n");
        return 1;
    }
    removeEventSource(serviceName);
    if (verbose)
        printLine("Uninstalled service '%S'.\n", serviceName);
    return 0;
}

// A service that waits for its application to be ready: follow the start to
// RUNNING or to its end, and say which.
int waitForReadinessAndReport(SC_HANDLE service, const Settings &settings) {
    ReadinessSettings readiness = loadReadinessSettings(settings);
    if (readiness.mode == ReadyMode::None)
        return 0;
    const uint32_t kPollMs = 250, kSpareMs = 15000;
    uint32_t limit = readiness.readyTimeoutMs + loadRobustnessSettings(settings).stopBudgetMs + kSpareMs;
    DWORD began = GetTickCount();
    SERVICE_STATUS status = {};
    while (QueryServiceStatus(service, &status) &&
           (status.dwCurrentState == SERVICE_START_PENDING || status.dwCurrentState == SERVICE_STOP_PENDING) &&
           GetTickCount() - began < limit)
        Sleep(kPollMs);
    if (status.dwCurrentState == SERVICE_RUNNING) {
        printLine("Service is running.\n");
        return 0;
    }
    if (status.dwCurrentState == SERVICE_STOPPED) {
        printLine("Service stopped before it was ready. Exit code: %d, service-specific %d.\n",
                  static_cast<int>(status.dwWin32ExitCode), static_cast<int>(status.dwServiceSpecificExitCode));
        return 1;
    }
    printLine("Error while waiting for the service to start\n");
    return 1;
}

int startService(const Settings &settings, const wchar_t *serviceName, const StringList &arguments) {
    ServiceHandle manager = openServiceManager(SC_MANAGER_CONNECT);
    if (!manager) {
        printLine("Could not open SCManager.\n");
        return 1;
    }
    ServiceHandle service(OpenServiceW(manager.get(), serviceName, SERVICE_START | SERVICE_QUERY_STATUS));
    if (!service) {
        printLine("Could not start service. Error code: %d\n", static_cast<int>(GetLastError()));
        return 1;
    }
    // The first element names the service; only what follows it is passed on.
    std::vector<const wchar_t *> startArguments;
    for (size_t i = 1; i < arguments.size(); i++)
        startArguments.push_back(arguments[i].c_str());
    if (StartServiceW(service.get(), static_cast<DWORD>(startArguments.size()),
                      startArguments.empty() ? nullptr : startArguments.data())) {
        printLine("Starting service '%S'.\n", serviceName);
        return waitForReadinessAndReport(service.get(), settings);
    }
    DWORD error = GetLastError();
    if (error == ERROR_SERVICE_ALREADY_RUNNING) {
        printLine("Service is already running.\n");
        return 0;
    }
    printLine("Could not start service. Error code: %d\n", static_cast<int>(error));
    return 1;
}

int stopService(const Settings &settings, const wchar_t *serviceName, bool verbose) {
    ServiceHandle manager = openServiceManager(SC_MANAGER_CONNECT);
    if (!manager) {
        if (verbose)
            printLine("Could not open SCManager.\n");
        return 1;
    }
    ServiceHandle service(OpenServiceW(manager.get(), serviceName, SERVICE_STOP | SERVICE_QUERY_STATUS));
    if (!service) {
        if (verbose)
            printLine("Could not stop service.\n");
        return 1;
    }
    bool boundedStop = loadRobustnessSettings(settings).stopBudgetMs != 0;
    StopTurn turn(boundedStop, serviceName);
    SERVICE_STATUS status;
    bool sent = ControlService(service.get(), SERVICE_CONTROL_STOP, &status) != FALSE;
    DWORD error = GetLastError();
    turn.release();
    if (sent || (boundedStop && stopAlreadyUnderWay(service.get(), error))) {
        waitForStopAndReport(service.get(), serviceName);
        return 0;
    }
    if (error == ERROR_SERVICE_NOT_ACTIVE) {
        printLine("Service is already stopped.\n");
        return 0;
    }
    if (verbose)
        printLine("Could not stop service.\n");
    return 1;
}

bool waitForServiceStop(SC_HANDLE service) {
    SERVICE_STATUS status;
    return waitForStopStatus(service, status);
}

int showServiceStatus(const Settings &settings, const wchar_t *serviceName) {
    ServiceHandle manager = openServiceManager(SC_MANAGER_CONNECT);
    if (!manager) {
        printLine("Could not open SCManager.\n");
        return 1;
    }
    ServiceHandle service(
        OpenServiceW(manager.get(), serviceName, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
    SERVICE_STATUS status;
    if (!service || !QueryServiceStatus(service.get(), &status)) {
        printLine("Could not get status.\n");
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
    if (!QueryServiceConfigA(service.get(), &buffer.config, sizeof buffer, &needed)) {
        printLine("Could not get config (%d, %d).\n", static_cast<int>(GetLastError()), static_cast<int>(needed));
        return 1;
    }
    // The delay is asked only with the record, so that other blocks print as before.
    bool delayed = !settings.isEmpty(record::kDelayedAutoStart) && hasDelayedStart(service.get());
    if (const char *line = startTypeLine(buffer.config.dwStartType, delayed))
        printLine("%s.\n", line);
    return result;
}
