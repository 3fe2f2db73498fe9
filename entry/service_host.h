// The service host: started by the Service Control Manager, it runs the worker
// copy of the launcher, drains its output and turns stop and shutdown
// requests into the line "0" on the worker's standard input.
#ifndef PELLUX_ENTRY_SERVICE_HOST_H
#define PELLUX_ENTRY_SERVICE_HOST_H

#include <windows.h>

#include "common/win32_handles.h"
#include "config/settings.h"
#include "entry/robustness_rules.h"

// The host's process-wide state. The serviceMain thread and the control
// handler (main thread) share it under `lock`; every report goes through
// reportStatus.
struct ServiceHostState {
    SERVICE_STATUS status = {};
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
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
};

// The one host state of the process.
ServiceHostState &serviceHostState();
// Sends the state's status record to the Service Control Manager.
bool reportStatus();

// The service's main routine; the first argument is the service name, the
// others are the start arguments. When the worker has run, the process ends
// inside it; it returns when the worker could not be started, or was not
// because a stop request came first.
void WINAPI serviceMain(DWORD argumentCount, LPWSTR *arguments);
// The settings serviceMain reads; they must outlive it.
void setServiceSettings(const Settings &settings);
// The dispatcher returns as soon as the service reports it has stopped, while
// serviceMain may still be finishing; it ends the process itself, or returns.
void waitForServiceMainEnd();
// Stop, shutdown, pre-shutdown and every other control request.
void WINAPI serviceControlHandler(DWORD control);
// Writes the flag as a line to the worker's standard input and closes it.
void sendShutdown(int flag);
// Thread routine: reads and discards the worker's output until its end.
DWORD WINAPI drainWorkerOutput(LPVOID readHandle);
// The worker's priority class from the registry, NORMAL_PRIORITY_CLASS if none.
DWORD readPriorityClass();

#endif
