#include "entry/service_host.h"

#include <string>

#include "common/format.h"
#include "common/text.h"
#include "config/process_role.h"
#include "diagnostics/log.h"
#include "entry/command_line.h"
#include "entry/service_rules.h"
#include "runtime/console_events.h"

namespace {

const DWORD kServiceWin32 = SERVICE_WIN32_OWN_PROCESS | SERVICE_WIN32_SHARE_PROCESS;
const DWORD kStopWaitHintMs = 50000;
const DWORD kWorkerNotStartedCode = 5000;
const DWORD kDrainChunk = 6000;

SERVICE_STATUS serviceStatus;
SERVICE_STATUS_HANDLE statusHandle;
// Waited for by the entry point once the dispatcher has returned.
HANDLE serviceMainThread;
// The write end of the worker's standard input. Null once closed, so that a
// second request cannot write into a handle value the system has given again.
HANDLE shutdownPipe;

// The control handler (main thread) and serviceMain meet under this lock, so
// that a stop request that comes before the worker exists is kept, and the
// worker's start cannot report the service running over a pending stop.
SRWLOCK workerLock = SRWLOCK_INIT;
bool stopRequested;
bool workerStarted;

struct WorkerPipes {
    HANDLE outputRead = nullptr;
    HANDLE outputWrite = nullptr;
    HANDLE inputRead = nullptr;
};

bool reportStatus() { return SetServiceStatus(statusHandle, &serviceStatus) != 0; }

void fillInitialStatus() {
    serviceStatus.dwServiceType = kServiceWin32;
    serviceStatus.dwCurrentState = SERVICE_RUNNING;
    serviceStatus.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
    serviceStatus.dwWin32ExitCode = 0;
    serviceStatus.dwServiceSpecificExitCode = 0;
    serviceStatus.dwCheckPoint = 0;
    serviceStatus.dwWaitHint = kStopWaitHintMs;
}

void takeServiceName(DWORD count, LPWSTR *arguments) {
    const wchar_t *name = count > 0 ? arguments[0] : nullptr;
    size_t length = name ? lstrlenW(name) : 0;
    copyText(serviceName, kServiceNameCapacity, length >= 1 && length < kServiceNameCapacity ? name : L"unknown");
    logMessage(L"service name is '%s'", serviceName);
}

void closeIfOpen(HANDLE &handle) {
    if (handle)
        CloseHandle(handle);
    handle = nullptr;
}

void closeWorkerPipes(WorkerPipes &pipes) {
    closeIfOpen(pipes.outputRead);
    closeIfOpen(pipes.outputWrite);
    closeIfOpen(pipes.inputRead);
    closeIfOpen(shutdownPipe);
}

// The worker's output and input pipes; only the worker's ends are inheritable.
bool createWorkerPipes(WorkerPipes &pipes) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    if (!CreatePipe(&pipes.outputRead, &pipes.outputWrite, &inheritable, 0)) {
        logMessage(L"CreatePipe error (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    if (!SetHandleInformation(pipes.outputRead, HANDLE_FLAG_INHERIT, 0)) {
        logMessage(L"SetHandleInformation error (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    if (!CreatePipe(&pipes.inputRead, &shutdownPipe, &inheritable, 0)) {
        logMessage(L"CreatePipe error 2 (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    if (!SetHandleInformation(shutdownPipe, HANDLE_FLAG_INHERIT, 0)) {
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
    if (buildWorkerCommandLine(hostTokens, serviceName, startArguments, commandLine, kWorkerCommandLineCapacity))
        return true;
    logError(L"the worker command line does not fit %d characters", static_cast<int>(kWorkerCommandLineCapacity));
    return false;
}

bool startWorker(std::wstring &commandLine, const WorkerPipes &pipes, PROCESS_INFORMATION &worker) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = pipes.inputRead;
    startup.hStdOutput = pipes.outputWrite;
    startup.hStdError = pipes.outputWrite;
    if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, readPriorityClass() | DETACHED_PROCESS,
                       nullptr, nullptr, &startup, &worker))
        return true;
    logMessage(L"could not start process %s (%d)", commandLine.c_str(), static_cast<int>(GetLastError()));
    return false;
}

void reportStopped(DWORD win32ExitCode, DWORD specificExitCode) {
    serviceStatus.dwCurrentState = SERVICE_STOPPED;
    serviceStatus.dwWin32ExitCode = win32ExitCode;
    serviceStatus.dwServiceSpecificExitCode = specificExitCode;
    reportStatus();
}

// Without a drain the worker would block once the pipe is full; with the read
// end closed its writes fail instead.
void startOutputDrain(WorkerPipes &pipes) {
    closeIfOpen(pipes.outputWrite);
    HANDLE drain = CreateThread(nullptr, 0, drainWorkerOutput, pipes.outputRead, 0, nullptr);
    if (!drain) {
        logError(L"could not start the output drain (%d)", static_cast<int>(GetLastError()));
        closeIfOpen(pipes.outputRead);
        return;
    }
    pipes.outputRead = nullptr;  // the drain owns it now
    CloseHandle(drain);
}

// Runs the worker unless a stop came first. Returns false when there is no
// worker; the stopped state has then been reported.
bool launchWorker(std::wstring &commandLine, WorkerPipes &pipes, PROCESS_INFORMATION &worker) {
    AcquireSRWLockExclusive(&workerLock);
    bool launched = false;
    if (stopRequested) {
        logMessage(L"stop requested before the worker started: not starting it");
        reportStopped(NO_ERROR, 0);
    } else if (!startWorker(commandLine, pipes, worker)) {
        reportStopped(ERROR_SERVICE_SPECIFIC_ERROR, kWorkerNotStartedCode);
    } else {
        workerStarted = true;
        launched = true;
        startOutputDrain(pipes);
        serviceStatus.dwCurrentState = SERVICE_RUNNING;
        reportStatus();
    }
    ReleaseSRWLockExclusive(&workerLock);
    return launched;
}

void reportWorkerEnd(DWORD exitCode) {
    AcquireSRWLockExclusive(&workerLock);
    // A worker that failed on its own leaves the service reported running, so
    // that the Service Control Manager sees an unexpected end.
    if (exitCode == 0 || serviceStatus.dwCurrentState == SERVICE_STOP_PENDING) {
        serviceStatus.dwCurrentState = SERVICE_STOPPED;
        if (!reportStatus())
            logMessage(L"SetServiceStatus 10 failed %d", static_cast<int>(GetLastError()));
        logMessage(L"service stopped set");
    }
    ReleaseSRWLockExclusive(&workerLock);
}

// Called with workerLock held.
void requestWorkerStop() {
    stopRequested = true;
    if (workerStarted)
        sendShutdown(0);
    else
        logMessage(L"stop request before the worker started");
}

}  // namespace

void WINAPI serviceMain(DWORD argumentCount, LPWSTR *arguments) {
    logMessage(L"service main");
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &serviceMainThread, SYNCHRONIZE,
                    FALSE, 0);
    fillInitialStatus();
    takeServiceName(argumentCount, arguments);
    statusHandle = RegisterServiceCtrlHandlerW(serviceName, serviceControlHandler);
    if (!statusHandle)
        return;
    reportStatus();

    std::wstring commandLine;
    WorkerPipes pipes;
    PROCESS_INFORMATION worker;
    // A service that cannot run its worker must not stay reported as running.
    if (!workerCommandLine(argumentCount, arguments, commandLine) || !createWorkerPipes(pipes)) {
        reportStopped(ERROR_SERVICE_SPECIFIC_ERROR, kWorkerNotStartedCode);
        closeWorkerPipes(pipes);
        return;
    }
    if (!launchWorker(commandLine, pipes, worker)) {
        closeWorkerPipes(pipes);
        return;
    }
    closeIfOpen(pipes.inputRead);

    logMessage(L"registering ConsoleCtrlHandler");
    SetConsoleCtrlHandler(consoleControlHandler, TRUE);
    WaitForSingleObject(worker.hProcess, INFINITE);
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(worker.hProcess, &exitCode))
        exitCode = 0;
    logMessage(L"process terminated with exit code %d", static_cast<int>(exitCode));
    reportWorkerEnd(exitCode);
    CloseHandle(worker.hProcess);
    CloseHandle(worker.hThread);
    logMessage(L"exiting");
    ExitProcess(0);
}

void waitForServiceMainEnd() {
    if (serviceMainThread)
        WaitForSingleObject(serviceMainThread, INFINITE);
}

void WINAPI serviceControlHandler(DWORD control) {
    logMessage(L"control handler request %d", static_cast<int>(control));
    AcquireSRWLockExclusive(&workerLock);
    if (control == SERVICE_CONTROL_STOP) {
        serviceStatus.dwCurrentState = SERVICE_STOP_PENDING;
        if (!reportStatus())
            logMessage(L"SetServiceStatus 2 failed %d", static_cast<int>(GetLastError()));
        requestWorkerStop();
    } else if (control == SERVICE_CONTROL_SHUTDOWN) {
        serviceStatus.dwCheckPoint++;
        serviceStatus.dwCurrentState = SERVICE_STOP_PENDING;
        if (!reportStatus())
            logMessage(L"SetServiceStatus 1 failed %d", static_cast<int>(GetLastError()));
        requestWorkerStop();
    } else if (!reportStatus()) {
        logMessage(L"SetServiceStatus 3 failed %d", static_cast<int>(GetLastError()));
    }
    ReleaseSRWLockExclusive(&workerLock);
}

void sendShutdown(int flag) {
    logMessage(L"sending shutdown1 %d", flag);
    char line[16];
    size_t length = formatText(line, sizeof line, "%d\n", flag);
    DWORD written = 0;
    if (!WriteFile(shutdownPipe, line, static_cast<DWORD>(length), &written, nullptr)) {
        DWORD error = GetLastError();
        logMessage(L"sending shutdown failed");
        logMessage(L"error code %d", static_cast<int>(error));
    }
    // Closed even after a failed write, so that the worker sees its input end.
    closeIfOpen(shutdownPipe);
    logMessage(L"shutdown sent");
}

DWORD WINAPI drainWorkerOutput(LPVOID readHandle) {
    HANDLE output = static_cast<HANDLE>(readHandle);
    logMessage(L"consuming output");
    char buffer[kDrainChunk];
    DWORD count = 0;
    while (ReadFile(output, buffer, sizeof buffer, &count, nullptr) && count > 0) {
    }
    logMessage(L"consuming output done");
    CloseHandle(output);
    return 0;
}

DWORD readPriorityClass() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Marrowfield\\pellux\\priority", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return NORMAL_PRIORITY_CLASS;
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD priority = NORMAL_PRIORITY_CLASS;
    // Only a value of exactly four bytes counts; its registry type does not.
    if (RegQueryValueExW(key, serviceName, nullptr, nullptr, reinterpret_cast<BYTE *>(&value), &size) ==
            ERROR_SUCCESS &&
        size == sizeof value) {
        logMessage(L"using priority %d", static_cast<int>(value));
        priority = value;
    }
    RegCloseKey(key);
    return priority;
}
