#include "service/service_host.h"

#include <string>

#include "common/capacities.h"
#include "common/format.h"
#include "common/records.h"
#include "common/split_command_line.h"
#include "common/text.h"
#include "common/win32_handles.h"
#include "config/settings.h"
#include "config/process_role.h"
#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "paths/temp_dirs.h"
#include "runtime/console_events.h"
#include "service/robustness_rules.h"
#include "service/security_rules.h"
#include "service/service_registration.h"
#include "service/service_rules.h"
#include "service/worker_guard.h"

namespace {

const DWORD kServiceWin32 = SERVICE_WIN32_OWN_PROCESS | SERVICE_WIN32_SHARE_PROCESS;
const DWORD kStopWaitHintMs = 50000;
const DWORD kWorkerNotStartedCode = 5000;
const DWORD kDrainChunk = 6000;
const size_t kHostObserverCapacity = 4;
// The report numbers the log gives a failed SetServiceStatus.
const int32_t kShutdownReport = 1;
const int32_t kStopReport = 2;
const int32_t kOtherControlReport = 3;
const int32_t kCheckpointReport = 4;
const int32_t kStoppedReport = 10;

// What serviceMain and the control handler (main thread) share under `lock`;
// every report goes through reportStatus.
struct ServiceHostState {
    SERVICE_STATUS status = {};
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    // The name the Service Control Manager started the service under.
    wchar_t serviceName[kTextCapacity] = {};
    // The control handler's copy of the settings serviceMain runs with.
    RobustnessSettings settings;
    // Waited for by the entry point once the dispatcher has returned.
    UniqueHandle serviceMainThread;
    // The write end of the worker's standard input; empty once closed, so that
    // a second request cannot write into a handle value the system has given again.
    UniqueHandle shutdownPipe;
    // Set by a stop request: wakes the bounded wait for the worker.
    UniqueHandle stopEvent;
    // Holds the worker while the host lives: its last handle closing ends the worker.
    UniqueHandle workerJob;
    SRWLOCK lock = SRWLOCK_INIT;
    bool stopRequested = false;
    bool workerStarted = false;
    uint32_t stopTick = 0;  // when the first stop request came
    // Fixed before the dispatcher starts; the log comes first.
    HostObserver *observers[kHostObserverCapacity] = {};
    size_t observerCount = 0;
    // The launcher's settings, handed over before the dispatcher starts.
    const Settings *launcherSettings = nullptr;
};

// Process-wide: the Service Control Manager calls serviceMain and the control
// handler without a context of ours.
ServiceHostState hostState;

struct WorkerPipes {
    UniqueHandle outputRead;
    UniqueHandle outputWrite;
    UniqueHandle inputRead;
};

struct Worker {
    UniqueHandle process;
    UniqueHandle thread;
};

void emit(const HostEvent &event) {
    hostLogObserver().observe(event);
    for (size_t i = 0; i < hostState.observerCount; i++)
        hostState.observers[i]->observe(event);
}

void emit(HostEventKind kind, int32_t value = 0, int32_t error = 0) { emit(hostEvent(kind, value, error)); }

int32_t lastError() { return static_cast<int32_t>(GetLastError()); }

class HostLock {
public:
    HostLock() { AcquireSRWLockExclusive(&hostState.lock); }
    ~HostLock() { ReleaseSRWLockExclusive(&hostState.lock); }
    HostLock(const HostLock &) = delete;
    HostLock &operator=(const HostLock &) = delete;
};

// Called with the lock held.
bool reportStatus() {
    if (SetServiceStatus(hostState.statusHandle, &hostState.status) == 0)
        return false;
    emit(HostEventKind::StatusReported, static_cast<int32_t>(hostState.status.dwCurrentState));
    return true;
}

void reportStatusOrNote(int32_t report) {
    if (!reportStatus())
        emit(HostEventKind::StatusReportFailed, report, lastError());
}

// The guard's view of the host: the stop's start, and the status it reports.
class GuardEvents : public WorkerGuardEvents {
public:
    uint32_t stopRequestTick() override {
        HostLock lock;
        return hostState.stopTick;
    }
    void stopCheckpoint(uint32_t timeLeftMs) override {
        HostLock lock;
        hostState.status.dwCheckPoint++;
        hostState.status.dwWaitHint = stopWaitHint(timeLeftMs);
        reportStatusOrNote(kCheckpointReport);
        emit(HostEventKind::StopCheckpoint, static_cast<int32_t>(timeLeftMs));
    }
    void guardEvent(const HostEvent &event) override { emit(event); }
};

void fillInitialStatus(const RobustnessSettings &settings) {
    SERVICE_STATUS &status = hostState.status;
    status.dwServiceType = kServiceWin32;
    status.dwCurrentState = SERVICE_RUNNING;
    status.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
    if (settings.preshutdownTimeoutMs != 0)
        status.dwControlsAccepted |= SERVICE_ACCEPT_PRESHUTDOWN;
    status.dwWin32ExitCode = 0;
    status.dwServiceSpecificExitCode = 0;
    status.dwCheckPoint = 0;
    status.dwWaitHint = kStopWaitHintMs;
}

void takeServiceName(DWORD count, LPWSTR *arguments) {
    const wchar_t *name = count > 0 ? arguments[0] : nullptr;
    size_t length = name ? lstrlenW(name) : 0;
    bool usable = length >= 1 && length < kTextCapacity;
    copyText(hostState.serviceName, kTextCapacity, usable ? name : L"unknown");
    HostEvent named = hostEvent(HostEventKind::ServiceNamed);
    named.text = hostState.serviceName;
    emit(named);
}

DWORD WINAPI serviceControlHandlerEx(DWORD control, DWORD, LPVOID, LPVOID) {
    serviceControlHandler(control);
    return NO_ERROR;
}

// The plain handler as described; the extended one only where pre-shutdown,
// which the plain one does not promise to get, is accepted.
bool registerControlHandler(const RobustnessSettings &settings) {
    if (settings.preshutdownTimeoutMs != 0)
        hostState.statusHandle =
            RegisterServiceCtrlHandlerExW(hostState.serviceName, serviceControlHandlerEx, nullptr);
    else
        hostState.statusHandle = RegisterServiceCtrlHandlerW(hostState.serviceName, serviceControlHandler);
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
    if (buildWorkerCommandLine(hostTokens, hostState.serviceName, startArguments, commandLine,
                               kWorkerCommandLineCapacity))
        return true;
    emit(HostEventKind::WorkerCommandLineTooLong, static_cast<int32_t>(kWorkerCommandLineCapacity));
    return false;
}

// A worker meant for a job starts suspended, so that it runs no code outside it.
bool startWorker(std::wstring &commandLine, const WorkerPipes &pipes, bool inJob, Worker &worker) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = pipes.inputRead.get();
    startup.hStdOutput = pipes.outputWrite.get();
    startup.hStdError = pipes.outputWrite.get();
    if (inJob)
        hostState.workerJob = createKillOnCloseJob();
    DWORD flags = readPriorityClass(hostState.serviceName) | DETACHED_PROCESS | (hostState.workerJob ? CREATE_SUSPENDED : 0);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup,
                        &started)) {
        HostEvent failed = hostEvent(HostEventKind::WorkerStartFailed, 0, lastError());
        failed.text = commandLine.c_str();
        emit(failed);
        return false;
    }
    worker.process.reset(started.hProcess);
    worker.thread.reset(started.hThread);
    GuardEvents guardEvents;
    return !hostState.workerJob || runWorkerInJob(hostState.workerJob.get(), started, guardEvents);
}

// Called with the lock held.
void reportStopped(DWORD win32ExitCode, DWORD specificExitCode) {
    hostState.status.dwCurrentState = SERVICE_STOPPED;
    hostState.status.dwWin32ExitCode = win32ExitCode;
    hostState.status.dwServiceSpecificExitCode = specificExitCode;
    reportStatus();
}

// Writes the flag as a line to the worker's standard input and closes it.
// Called with the lock held (the control handler's).
void sendShutdown(int flag) {
    emit(HostEventKind::StopLineSending, flag);
    char line[16];
    size_t length = formatText(line, sizeof line, "%d\n", flag);
    DWORD written = 0;
    if (!WriteFile(hostState.shutdownPipe.get(), line, static_cast<DWORD>(length), &written, nullptr))
        emit(HostEventKind::StopLineFailed, 0, lastError());
    // Closed even after a failed write, so that the worker sees its input end.
    hostState.shutdownPipe.reset();
    emit(HostEventKind::StopLineSent);
}

// Thread routine: reads and discards the worker's output until its end.
DWORD WINAPI drainWorkerOutput(LPVOID readHandle) {
    UniqueHandle output(static_cast<HANDLE>(readHandle));
    emit(HostEventKind::OutputDrainStarted);
    char buffer[kDrainChunk];
    DWORD count = 0;
    while (ReadFile(output.get(), buffer, sizeof buffer, &count, nullptr) && count > 0) {
    }
    emit(HostEventKind::OutputDrainEnded);
    return 0;
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
bool launchWorker(std::wstring &commandLine, WorkerPipes &pipes, bool inJob, Worker &worker) {
    HostLock lock;
    if (hostState.stopRequested) {
        emit(HostEventKind::WorkerNotStartedForStop);
        reportStopped(NO_ERROR, 0);
        return false;
    }
    if (!startWorker(commandLine, pipes, inJob, worker)) {
        reportStopped(ERROR_SERVICE_SPECIFIC_ERROR, kWorkerNotStartedCode);
        return false;
    }
    hostState.workerStarted = true;
    emit(HostEventKind::WorkerStarted);
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
        reportStatusOrNote(kStoppedReport);
        emit(HostEventKind::StoppedReported);
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
        emit(HostEventKind::StopBeforeWorker);
}

// Called with the lock held. A bounded stop promises its whole budget.
void reportStopPending(int32_t report) {
    hostState.status.dwCurrentState = SERVICE_STOP_PENDING;
    if (hostState.settings.stopBudgetMs != 0)
        hostState.status.dwWaitHint = stopWaitHint(hostState.settings.stopBudgetMs);
    reportStatusOrNote(report);
}

// The worker's temporary directory, made here so that it can be removed after
// the worker: an application that ends through System.exit ends the worker
// inside the VM, before the worker could remove it.
void handTempDirToWorker(const Settings &settings, LauncherTempDir &dir) {
    // A value the host's own environment brought along is no directory of its making.
    SetEnvironmentVariableA(kWorkerTempDirVariable, nullptr);
    if (!settings.flag(record::kHostRemovesWorkerTempDir) || settings.integer(record::kEmbeddedFileCount) <= 0)
        return;
    // On failure the worker makes its own and reports what fails.
    if (createLauncherTempDir(dir) == TempDirResult::Created)
        SetEnvironmentVariableA(kWorkerTempDirVariable, dir.path.c_str());
}

// Starts the worker and waits for it; false when there was none to wait for.
bool superviseWorker(const Settings &settings, DWORD argumentCount, LPWSTR *arguments,
                     const RobustnessSettings &robustness) {
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
    LauncherTempDir workerTempDir;
    FatalCleanUpScope tempDirCleanUp(removeLauncherTempDirAtFatalExit, &workerTempDir);
    handTempDirToWorker(settings, workerTempDir);
    if (!launchWorker(commandLine, pipes, robustness.workerJob, worker)) {
        removeLauncherTempDir(workerTempDir);
        HostLock lock;
        hostState.shutdownPipe.reset();
        return false;
    }
    pipes.inputRead.reset();

    emit(HostEventKind::WaitingForWorker);
    SetConsoleCtrlHandler(consoleControlHandler, TRUE);
    WorkerWait wait;
    wait.worker = worker.process.get();
    wait.stopRequested = hostState.stopEvent.get();
    wait.stopBudgetMs = robustness.stopBudgetMs;
    GuardEvents guardEvents;
    bool workerEnded = waitForWorker(wait, guardEvents);
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(worker.process.get(), &exitCode))
        exitCode = 0;
    emit(HostEventKind::WorkerExited, static_cast<int32_t>(exitCode));
    // Before the stopped report, after which the process may be ended at once.
    removeLauncherTempDir(workerTempDir);
    reportWorkerEnd(exitCode, workerEnded);
    return true;
}

}  // namespace

bool addHostObserver(HostObserver &observer) {
    if (hostState.observerCount == kHostObserverCapacity)
        return false;
    hostState.observers[hostState.observerCount++] = &observer;
    return true;
}

void setServiceSettings(const Settings &settings) { hostState.launcherSettings = &settings; }

void WINAPI serviceMain(DWORD argumentCount, LPWSTR *arguments) {
    emit(HostEventKind::ServiceMainStarted);
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(),
                    hostState.serviceMainThread.receive(), SYNCHRONIZE, FALSE, 0);
    const Settings &settings = *hostState.launcherSettings;
    RobustnessSettings robustness = loadRobustnessSettings(settings);
    hostState.stopEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    {
        HostLock lock;
        hostState.settings = robustness;
        fillInitialStatus(robustness);
        // A stop request that came first already set the event's condition.
        if (hostState.stopRequested)
            SetEvent(hostState.stopEvent.get());
    }
    takeServiceName(argumentCount, arguments);
    if (!registerControlHandler(robustness))
        return;
    {
        HostLock lock;
        reportStatus();
    }
    if (!superviseWorker(settings, argumentCount, arguments, robustness))
        return;
    emit(HostEventKind::HostExiting);
    ExitProcess(0);
}

void waitForServiceMainEnd() {
    if (hostState.serviceMainThread)
        WaitForSingleObject(hostState.serviceMainThread.get(), INFINITE);
}

void WINAPI serviceControlHandler(DWORD control) {
    emit(HostEventKind::ControlReceived, static_cast<int32_t>(control));
    HostLock lock;
    bool preshutdown = control == SERVICE_CONTROL_PRESHUTDOWN &&
                       (hostState.status.dwControlsAccepted & SERVICE_ACCEPT_PRESHUTDOWN) != 0;
    if (control == SERVICE_CONTROL_STOP || preshutdown) {
        reportStopPending(kStopReport);
        requestWorkerStop();
    } else if (control == SERVICE_CONTROL_SHUTDOWN) {
        hostState.status.dwCheckPoint++;
        reportStopPending(kShutdownReport);
        requestWorkerStop();
    } else {
        reportStatusOrNote(kOtherControlReport);
    }
}

DWORD readPriorityClass(const wchar_t *serviceName) {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Marrowfield\\pellux\\priority", 0, KEY_READ, key.receive()) !=
        ERROR_SUCCESS)
        return NORMAL_PRIORITY_CLASS;
    DWORD value = 0;
    DWORD size = sizeof value;
    // Only a value of exactly four bytes counts; its registry type does not.
    if (RegQueryValueExW(key.get(), serviceName, nullptr, nullptr, reinterpret_cast<BYTE *>(&value), &size) !=
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
