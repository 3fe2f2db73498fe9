#include "service/service_host.h"

#include <memory>
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
#include "service/port_probe.h"
#include "service/readiness_rules.h"
#include "service/robustness_rules.h"
#include "service/security_rules.h"
#include "service/service_registration.h"
#include "service/service_rules.h"
#include "service/stop_report.h"
#include "service/worker_channel.h"
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
const int32_t kStartCheckpointReport = 11;
const int32_t kReadyReport = 12;
// While the application is not ready yet: a checkpoint about every second.
const DWORD kStartWaitHintMs = 5000;
// How long one look at a port may take.
const uint32_t kPortProbeWaitMs = 500;
// The application's answer to a report request.
const DWORD kStopReportWaitMs = 2000;

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
    ReadinessSettings readiness;
    // The VM's lines back to the host; null when no setting needs them. Kept
    // for the life of the process: the drain may outlive the wait.
    std::unique_ptr<WorkerChannel> channel;
    std::wstring stopReportFolder;
    // The service-specific code of a start or a watchdog that failed; 0: none.
    DWORD failureCode = 0;
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
    void beforeForcedEnd() override;
};

void fillInitialStatus(const RobustnessSettings &settings, const ReadinessSettings &readiness) {
    SERVICE_STATUS &status = hostState.status;
    status.dwServiceType = kServiceWin32;
    status.dwCurrentState = readiness.mode == ReadyMode::None ? SERVICE_RUNNING : SERVICE_START_PENDING;
    status.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
    if (settings.preshutdownTimeoutMs != 0)
        status.dwControlsAccepted |= SERVICE_ACCEPT_PRESHUTDOWN;
    status.dwWin32ExitCode = 0;
    status.dwServiceSpecificExitCode = 0;
    status.dwCheckPoint = 0;
    status.dwWaitHint = readiness.mode == ReadyMode::None ? kStopWaitHintMs : kStartWaitHintMs;
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
        logMessage("CreatePipe error (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    if (!SetHandleInformation(pipes.outputRead.get(), HANDLE_FLAG_INHERIT, 0)) {
        logMessage("SetHandleInformation error (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    HostLock lock;
    if (!CreatePipe(pipes.inputRead.receive(), hostState.shutdownPipe.receive(), &inheritable, 0)) {
        logMessage("CreatePipe error 2 (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    if (!SetHandleInformation(hostState.shutdownPipe.get(), HANDLE_FLAG_INHERIT, 0)) {
        logMessage("SetHandleInformation error 2 (%d)", static_cast<int>(GetLastError()));
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
    // Closed even after a failed write, so that the worker sees its input end;
    // a VM with a channel stops on the line, and its input still takes a
    // request for a stop report.
    if (!hostState.channel)
        hostState.shutdownPipe.reset();
    emit(HostEventKind::StopLineSent);
}

// What the drain owns; it may outlive the wait for the worker.
struct DrainJob {
    UniqueHandle output;
    WorkerChannel *channel;
};

// Thread routine: reads the worker's output until its end; only the
// channel's lines are kept.
DWORD WINAPI drainWorkerOutput(LPVOID context) {
    std::unique_ptr<DrainJob> job(static_cast<DrainJob *>(context));
    emit(HostEventKind::OutputDrainStarted);
    char buffer[kDrainChunk];
    DWORD count = 0;
    while (ReadFile(job->output.get(), buffer, sizeof buffer, &count, nullptr) && count > 0) {
        if (job->channel)
            job->channel->consume(buffer, count);
    }
    emit(HostEventKind::OutputDrainEnded);
    return 0;
}

// Without a drain the worker would block once the pipe is full; with the read
// end closed its writes fail instead.
void startOutputDrain(WorkerPipes &pipes) {
    pipes.outputWrite.reset();
    DrainJob *job = new DrainJob{std::move(pipes.outputRead), hostState.channel.get()};
    UniqueHandle drain(CreateThread(nullptr, 0, drainWorkerOutput, job, 0, nullptr));
    if (!drain) {
        logError("could not start the output drain (%d)", static_cast<int>(GetLastError()));
        delete job;
    }
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
    if (hostState.readiness.mode == ReadyMode::None)
        hostState.status.dwCurrentState = SERVICE_RUNNING;
    else
        hostState.status.dwCheckPoint++;
    reportStatus();
    return true;
}

void reportWorkerEnd(DWORD exitCode, bool workerEnded) {
    HostLock lock;
    // A worker that failed on its own leaves the service reported running, so
    // that the Service Control Manager sees an unexpected end.
    if (exitCode == 0 || hostState.status.dwCurrentState == SERVICE_STOP_PENDING || hostState.failureCode != 0) {
        hostState.status.dwCurrentState = SERVICE_STOPPED;
        if (workerEnded || hostState.failureCode != 0) {
            hostState.status.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
            hostState.status.dwServiceSpecificExitCode =
                hostState.failureCode != 0 ? hostState.failureCode : robustness::kWorkerEndedExitCode;
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

// Asks the VM what its threads do and writes that, with why the worker is
// ended, to a new stop report; bounded by kStopReportWaitMs however the VM is.
// False when there is no report to take.
bool takeStopReport(const char *reason) {
    if (!hostState.readiness.stopReport || !hostState.channel)
        return false;
    WorkerChannel &channel = *hostState.channel;
    channel.expectReport();
    std::string text = formatString("Stop report of the service '%S'\r\nReason: %s\r\n", hostState.serviceName, reason);
    {
        HostLock lock;
        if (hostState.stopRequested)
            text += formatString("Time since the stop request: %u ms\r\n",
                                 static_cast<unsigned>(GetTickCount() - hostState.stopTick));
        DWORD written = 0;
        if (!hostState.shutdownPipe || !WriteFile(hostState.shutdownPipe.get(), "report\n", 7, &written, nullptr))
            logError("could not ask the application for a stop report (%d)", lastError());
    }
    std::string answer;
    bool answered = channel.waitForReport(kStopReportWaitMs, answer);
    text += "\r\n" + answer;
    if (!answered) {
        text += formatString("The application did not answer within %u ms: its VM runs no Java code.\r\n",
                             static_cast<unsigned>(kStopReportWaitMs));
        logError("the application did not answer the request for a stop report");
    }
    writeStopReport(hostState.stopReportFolder, text);
    return true;
}

// The report took time the last checkpoint did not promise: a new one gives
// the end of the worker its margin again.
void GuardEvents::beforeForcedEnd() {
    if (takeStopReport("the application did not stop within service.stop.timeout"))
        stopCheckpoint(0);
}

enum class StartOutcome { Ready, NotReady, StopRequested, WorkerEnded };

// Called with the lock held.
void reportStartCheckpoint() {
    if (hostState.status.dwCurrentState != SERVICE_START_PENDING)
        return;
    hostState.status.dwCheckPoint++;
    hostState.status.dwWaitHint = kStartWaitHintMs;
    reportStatusOrNote(kStartCheckpointReport);
}

// Waits until the application is ready, reporting a rising checkpoint about
// once a second meanwhile.
StartOutcome awaitReadiness(const ReadinessSettings &readiness, HANDLE worker) {
    StopBudget window{readiness.readyTimeoutMs, GetTickCount()};
    std::unique_ptr<PortProbe> probe;
    if (readiness.mode == ReadyMode::Port)
        probe.reset(new PortProbe(readiness.host, readiness.port));
    HANDLE wakers[3] = {worker, hostState.stopEvent.get(),
                        hostState.channel ? hostState.channel->readyEvent() : nullptr};
    DWORD wakerCount = readiness.mode == ReadyMode::Api && hostState.channel ? 3 : 2;
    uint32_t lastCheckpoint = GetTickCount();
    for (;;) {
        if (probe && probe->connects(kPortProbeWaitMs))
            return StartOutcome::Ready;
        uint32_t left = stopTimeLeft(window, GetTickCount());
        if (left == 0)
            return StartOutcome::NotReady;
        uint32_t wait = nextCheckpointWait(left);
        if (probe && wait > kPortProbeWaitMs)
            wait = kPortProbeWaitMs;
        DWORD woken = WaitForMultipleObjects(wakerCount, wakers, FALSE, wait);
        if (woken == WAIT_OBJECT_0)
            return StartOutcome::WorkerEnded;
        if (woken == WAIT_OBJECT_0 + 1)
            return StartOutcome::StopRequested;
        if (woken == WAIT_OBJECT_0 + 2)
            return StartOutcome::Ready;
        if (GetTickCount() - lastCheckpoint >= kCheckpointIntervalMs) {
            lastCheckpoint = GetTickCount();
            HostLock lock;
            reportStartCheckpoint();
        }
    }
}

// Called with the lock held: a stop of the host's own, as a stop request makes.
void stopForFailure(DWORD failureCode) {
    hostState.failureCode = failureCode;
    hostState.status.dwCheckPoint++;
    reportStopPending(kStopReport);
    requestWorkerStop();
}

void applyStartOutcome(StartOutcome outcome, const ReadinessSettings &readiness) {
    HostLock lock;
    if (outcome == StartOutcome::Ready && hostState.status.dwCurrentState == SERVICE_START_PENDING) {
        logMessage("the application is ready; the service runs");
        hostState.status.dwCurrentState = SERVICE_RUNNING;
        hostState.status.dwCheckPoint = 0;
        hostState.status.dwWaitHint = 0;
        reportStatusOrNote(kReadyReport);
    } else if (outcome == StartOutcome::NotReady && !hostState.stopRequested) {
        logError("the application did not become ready within %d seconds; it is stopped",
                 static_cast<int>(readiness.readyTimeoutMs / 1000));
        stopForFailure(robustness::kNotReadyExitCode);
    }
}

// Watches the VM's signs of life until the worker ends or a stop comes. True
// when the watchdog ended the worker.
bool watchLiveness(const ReadinessSettings &readiness, HANDLE worker) {
    if (readiness.watchdogTimeoutMs == 0 || !hostState.channel)
        return false;
    HANDLE wakers[2] = {worker, hostState.stopEvent.get()};
    for (;;) {
        uint32_t left = livenessTimeLeft(hostState.channel->liveness(), readiness.watchdogTimeoutMs, GetTickCount());
        if (left == 0)
            break;
        if (WaitForMultipleObjects(2, wakers, FALSE, left) != WAIT_TIMEOUT)
            return false;
    }
    logError("no sign of life from the application for %d seconds; it is ended",
             static_cast<int>(readiness.watchdogTimeoutMs / 1000));
    {
        HostLock lock;
        hostState.failureCode = robustness::kWatchdogExitCode;
        reportStopPending(kStopReport);
    }
    takeStopReport("no sign of life within service.watchdog.timeout");
    TerminateProcess(worker, robustness::kWatchdogExitCode);
    WaitForSingleObject(worker, kStopReportWaitMs * 2);
    return true;
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
        // Narrow: the worker takes the directory as the narrow path its VM is given.
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
    const ReadinessSettings &readiness = hostState.readiness;
    StartOutcome outcome = StartOutcome::Ready;
    if (readiness.mode != ReadyMode::None) {
        outcome = awaitReadiness(readiness, worker.process.get());
        applyStartOutcome(outcome, readiness);
    }
    bool workerEnded = outcome == StartOutcome::Ready && watchLiveness(readiness, worker.process.get());
    if (!workerEnded) {
        WorkerWait wait;
        wait.worker = worker.process.get();
        wait.stopRequested = hostState.stopEvent.get();
        wait.stopBudgetMs = robustness.stopBudgetMs;
        GuardEvents guardEvents;
        workerEnded = waitForWorker(wait, guardEvents);
    }
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
    ReadinessSettings readiness = loadReadinessSettings(settings);
    hostState.stopEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (needsChannel(readiness))
        hostState.channel = WorkerChannel::open(pingIntervalMs(readiness));
    if (readiness.stopReport)
        hostState.stopReportFolder = stopReportFolderPath(settings);
    {
        HostLock lock;
        hostState.settings = robustness;
        hostState.readiness = readiness;
        fillInitialStatus(robustness, readiness);
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
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Marrowfield\\pellux\\priority", 0, KEY_READ, key.receive()) !=
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
        logError("priority value %d is no priority class; normal priority is used", static_cast<int>(value));
        return NORMAL_PRIORITY_CLASS;
    }
    logMessage("using priority %d", static_cast<int>(value));
    return value;
}
