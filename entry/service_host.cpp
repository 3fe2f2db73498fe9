#include "entry/service_host.h"

#include <string>

#include "common/format.h"
#include "common/text.h"
#include "common/records.h"
#include "config/settings.h"
#include "config/process_role.h"
#include "diagnostics/log.h"
#include "entry/command_line.h"
#include "entry/service_registration.h"
#include "entry/security_rules.h"
#include "entry/service_rules.h"
#include "entry/worker_guard.h"
#include "paths/temp_dirs.h"
#include "runtime/console_events.h"

namespace {

const DWORD kServiceWin32 = SERVICE_WIN32_OWN_PROCESS | SERVICE_WIN32_SHARE_PROCESS;
const DWORD kStopWaitHintMs = 50000;
const DWORD kWorkerNotStartedCode = 5000;
const DWORD kDrainChunk = 6000;

ServiceHostState hostState;
// Windows calls serviceMain without a context.
const Settings *serviceSettings = nullptr;

struct WorkerPipes {
    UniqueHandle outputRead;
    UniqueHandle outputWrite;
    UniqueHandle inputRead;
};

struct Worker {
    UniqueHandle process;
    UniqueHandle thread;
};

class HostLock {
public:
    HostLock() { AcquireSRWLockExclusive(&hostState.lock); }
    ~HostLock() { ReleaseSRWLockExclusive(&hostState.lock); }
    HostLock(const HostLock &) = delete;
    HostLock &operator=(const HostLock &) = delete;
};

void fillInitialStatus() {
    SERVICE_STATUS &status = hostState.status;
    status.dwServiceType = kServiceWin32;
    status.dwCurrentState = SERVICE_RUNNING;
    status.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
    if (hostState.settings.preshutdownTimeoutMs != 0)
        status.dwControlsAccepted |= SERVICE_ACCEPT_PRESHUTDOWN;
    status.dwWin32ExitCode = 0;
    status.dwServiceSpecificExitCode = 0;
    status.dwCheckPoint = 0;
    status.dwWaitHint = kStopWaitHintMs;
}

void takeServiceName(DWORD count, LPWSTR *arguments) {
    const wchar_t *name = count > 0 ? arguments[0] : nullptr;
    size_t length = name ? lstrlenW(name) : 0;
    bool usable = length >= 1 && length < kServiceNameCapacity;
    copyText(processRole().serviceName, kServiceNameCapacity, usable ? name : L"unknown");
    logMessage(L"service name is '%s'", processRole().serviceName);
}

DWORD WINAPI serviceControlHandlerEx(DWORD control, DWORD, LPVOID, LPVOID) {
    serviceControlHandler(control);
    return NO_ERROR;
}

// The plain handler as described; the extended one only where pre-shutdown,
// which the plain one does not promise to get, is accepted.
bool registerControlHandler() {
    if (hostState.settings.preshutdownTimeoutMs != 0)
        hostState.statusHandle =
            RegisterServiceCtrlHandlerExW(processRole().serviceName, serviceControlHandlerEx, nullptr);
    else
        hostState.statusHandle = RegisterServiceCtrlHandlerW(processRole().serviceName, serviceControlHandler);
    return hostState.statusHandle != nullptr;
}

// The worker's output and input pipes; only the worker's ends are inheritable.
bool createWorkerPipes(WorkerPipes &pipes) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    if (!CreatePipe(pipes.outputRead.receive(), pipes.outputWrite.receive(), &inheritable, 0)) {
        logMessage(L"CreatePipe error (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    if (!SetHandleInformation(pipes.outputRead.get(), HANDLE_FLAG_INHERIT, 0)) {
        logMessage(L"SetHandleInformation error (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    HostLock lock;
    if (!CreatePipe(pipes.inputRead.receive(), hostState.shutdownPipe.receive(), &inheritable, 0)) {
        logMessage(L"CreatePipe error 2 (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    if (!SetHandleInformation(hostState.shutdownPipe.get(), HANDLE_FLAG_INHERIT, 0)) {
        logMessage(L"SetHandleInformation error 2 (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    return true;
}

bool workerCommandLine(DWORD count, LPWSTR *arguments, std::wstring &commandLine) {
    StringList hostTokens;
    splitCommandLine(GetCommandLineW(), hostTokens);
    StringList startArguments;
    for (DWORD i = 1; i < count; i++)
        startArguments.push_back(arguments[i] ? arguments[i] : L"");
    if (buildWorkerCommandLine(hostTokens, processRole().serviceName, startArguments, commandLine,
                               kWorkerCommandLineCapacity))
        return true;
    logError(L"the worker command line does not fit %d characters", static_cast<int>(kWorkerCommandLineCapacity));
    return false;
}

// A worker meant for a job starts suspended, so that it runs no code outside it.
bool startWorker(std::wstring &commandLine, const WorkerPipes &pipes, Worker &worker) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = pipes.inputRead.get();
    startup.hStdOutput = pipes.outputWrite.get();
    startup.hStdError = pipes.outputWrite.get();
    if (hostState.settings.workerJob)
        hostState.workerJob = createKillOnCloseJob();
    DWORD flags = readPriorityClass() | DETACHED_PROCESS | (hostState.workerJob ? CREATE_SUSPENDED : 0);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup,
                        &started)) {
        logMessage(L"could not start process %s (%d)", commandLine.c_str(), static_cast<int>(GetLastError()));
        return false;
    }
    worker.process.reset(started.hProcess);
    worker.thread.reset(started.hThread);
    return !hostState.workerJob || runWorkerInJob(hostState.workerJob.get(), started);
}

// Called with the lock held.
void reportStopped(DWORD win32ExitCode, DWORD specificExitCode) {
    hostState.status.dwCurrentState = SERVICE_STOPPED;
    hostState.status.dwWin32ExitCode = win32ExitCode;
    hostState.status.dwServiceSpecificExitCode = specificExitCode;
    reportStatus();
}

// Without a drain the worker would block once the pipe is full; with the read
// end closed its writes fail instead.
void startOutputDrain(WorkerPipes &pipes) {
    pipes.outputWrite.reset();
    UniqueHandle drain(CreateThread(nullptr, 0, drainWorkerOutput, pipes.outputRead.get(), 0, nullptr));
    if (!drain) {
        logError(L"could not start the output drain (%d)", static_cast<int>(GetLastError()));
        pipes.outputRead.reset();
        return;
    }
    pipes.outputRead.release();  // the drain owns it now
}

// Runs the worker unless a stop came first. Returns false when there is no
// worker; the stopped state has then been reported.
bool launchWorker(std::wstring &commandLine, WorkerPipes &pipes, Worker &worker) {
    HostLock lock;
    if (hostState.stopRequested) {
        logMessage(L"stop requested before the worker started: not starting it");
        reportStopped(NO_ERROR, 0);
        return false;
    }
    if (!startWorker(commandLine, pipes, worker)) {
        reportStopped(ERROR_SERVICE_SPECIFIC_ERROR, kWorkerNotStartedCode);
        return false;
    }
    hostState.workerStarted = true;
    startOutputDrain(pipes);
    hostState.status.dwCurrentState = SERVICE_RUNNING;
    reportStatus();
    return true;
}

void reportWorkerEnd(DWORD exitCode, bool workerEnded) {
    HostLock lock;
    // A worker that failed on its own leaves the service reported running, so
    // that the Service Control Manager sees an unexpected end.
    if (exitCode == 0 || hostState.status.dwCurrentState == SERVICE_STOP_PENDING) {
        hostState.status.dwCurrentState = SERVICE_STOPPED;
        if (workerEnded) {
            hostState.status.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
            hostState.status.dwServiceSpecificExitCode = robustness::kWorkerEndedExitCode;
        }
        if (!reportStatus())
            logMessage(L"SetServiceStatus 10 failed %d", static_cast<int>(GetLastError()));
        logMessage(L"service stopped set");
    }
}

// Called with the lock held.
void requestWorkerStop() {
    if (!hostState.stopRequested)
        hostState.stopTick = GetTickCount();
    hostState.stopRequested = true;
    if (hostState.stopEvent)
        SetEvent(hostState.stopEvent.get());
    if (hostState.workerStarted)
        sendShutdown(0);
    else
        logMessage(L"stop request before the worker started");
}

// Called with the lock held. A bounded stop promises its whole budget.
void reportStopPending(const wchar_t *failure) {
    hostState.status.dwCurrentState = SERVICE_STOP_PENDING;
    if (hostState.settings.stopBudgetMs != 0)
        hostState.status.dwWaitHint = stopWaitHint(hostState.settings.stopBudgetMs);
    if (!reportStatus())
        logMessage(failure, static_cast<int>(GetLastError()));
}

// The worker's temporary directory, made here so that it can be removed after
// the worker: an application that ends through System.exit ends the worker
// inside the VM, before the worker could remove it.
void handTempDirToWorker(const Settings &settings) {
    if (!settings.flag(record::kHostRemovesWorkerTempDir) || settings.integer(record::kEmbeddedFileCount) <= 0)
        return;
    // On failure the worker makes its own and reports what fails.
    if (createLauncherTempDir() == TempDirResult::Created)
        SetEnvironmentVariableA(kWorkerTempDirVariable, launcherTempDir);
}

// Starts the worker and waits for it; false when there was none to wait for.
bool superviseWorker(const Settings &settings, DWORD argumentCount, LPWSTR *arguments) {
    std::wstring commandLine;
    WorkerPipes pipes;
    Worker worker;
    // A service that cannot run its worker must not stay reported as running.
    if (!workerCommandLine(argumentCount, arguments, commandLine) || !createWorkerPipes(pipes)) {
        HostLock lock;
        reportStopped(ERROR_SERVICE_SPECIFIC_ERROR, kWorkerNotStartedCode);
        hostState.shutdownPipe.reset();
        return false;
    }
    handTempDirToWorker(settings);
    if (!launchWorker(commandLine, pipes, worker)) {
        removeLauncherTempDir();
        HostLock lock;
        hostState.shutdownPipe.reset();
        return false;
    }
    pipes.inputRead.reset();

    logMessage(L"registering ConsoleCtrlHandler");
    SetConsoleCtrlHandler(consoleControlHandler, TRUE);
    bool workerEnded = waitForWorker(worker.process.get());
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(worker.process.get(), &exitCode))
        exitCode = 0;
    logMessage(L"process terminated with exit code %d", static_cast<int>(exitCode));
    // Before the stopped report, after which the process may be ended at once.
    removeLauncherTempDir();
    reportWorkerEnd(exitCode, workerEnded);
    return true;
}

}  // namespace

ServiceHostState &serviceHostState() { return hostState; }

void setServiceSettings(const Settings &settings) { serviceSettings = &settings; }

bool reportStatus() { return SetServiceStatus(hostState.statusHandle, &hostState.status) != 0; }

void WINAPI serviceMain(DWORD argumentCount, LPWSTR *arguments) {
    logMessage(L"service main");
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(),
                    hostState.serviceMainThread.receive(), SYNCHRONIZE, FALSE, 0);
    const Settings &settings = *serviceSettings;
    hostState.settings = loadRobustnessSettings(settings);
    hostState.stopEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    {
        HostLock lock;
        fillInitialStatus();
        // A stop request that came first already set the event's condition.
        if (hostState.stopRequested)
            SetEvent(hostState.stopEvent.get());
    }
    takeServiceName(argumentCount, arguments);
    if (!registerControlHandler())
        return;
    {
        HostLock lock;
        reportStatus();
    }
    if (!superviseWorker(settings, argumentCount, arguments))
        return;
    logMessage(L"exiting");
    ExitProcess(0);
}

void waitForServiceMainEnd() {
    if (hostState.serviceMainThread)
        WaitForSingleObject(hostState.serviceMainThread.get(), INFINITE);
}

void WINAPI serviceControlHandler(DWORD control) {
    logMessage(L"control handler request %d", static_cast<int>(control));
    HostLock lock;
    bool preshutdown = control == SERVICE_CONTROL_PRESHUTDOWN &&
                       (hostState.status.dwControlsAccepted & SERVICE_ACCEPT_PRESHUTDOWN) != 0;
    if (control == SERVICE_CONTROL_STOP || preshutdown) {
        reportStopPending(L"SetServiceStatus 2 failed %d");
        requestWorkerStop();
    } else if (control == SERVICE_CONTROL_SHUTDOWN) {
        hostState.status.dwCheckPoint++;
        reportStopPending(L"SetServiceStatus 1 failed %d");
        requestWorkerStop();
    } else if (!reportStatus()) {
        logMessage(L"SetServiceStatus 3 failed %d", static_cast<int>(GetLastError()));
    }
}

// Called with the lock held (the control handler's).
void sendShutdown(int flag) {
    logMessage(L"sending shutdown1 %d", flag);
    char line[16];
    size_t length = formatText(line, sizeof line, "%d\n", flag);
    DWORD written = 0;
    if (!WriteFile(hostState.shutdownPipe.get(), line, static_cast<DWORD>(length), &written, nullptr)) {
        DWORD error = GetLastError();
        logMessage(L"sending shutdown failed");
        logMessage(L"error code %d", static_cast<int>(error));
    }
    // Closed even after a failed write, so that the worker sees its input end.
    hostState.shutdownPipe.reset();
    logMessage(L"shutdown sent");
}

DWORD WINAPI drainWorkerOutput(LPVOID readHandle) {
    UniqueHandle output(static_cast<HANDLE>(readHandle));
    logMessage(L"consuming output");
    char buffer[kDrainChunk];
    DWORD count = 0;
    while (ReadFile(output.get(), buffer, sizeof buffer, &count, nullptr) && count > 0) {
    }
    logMessage(L"consuming output done");
    return 0;
}

DWORD readPriorityClass() {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Marrowfield\\pellux\\priority", 0, KEY_READ, key.receive()) !=
        ERROR_SUCCESS)
        return NORMAL_PRIORITY_CLASS;
    DWORD value = 0;
    DWORD size = sizeof value;
    // Only a value of exactly four bytes counts; its registry type does not.
    const wchar_t *name = processRole().serviceName;
    if (RegQueryValueExW(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE *>(&value), &size) !=
            ERROR_SUCCESS ||
        size != sizeof value)
        return NORMAL_PRIORITY_CLASS;
    if (!isPriorityClass(value)) {
        logError(L"priority value %d is no priority class; normal priority is used", static_cast<int>(value));
        return NORMAL_PRIORITY_CLASS;
    }
    logMessage(L"using priority %d", static_cast<int>(value));
    return value;
}
