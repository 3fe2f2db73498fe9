// The service host: started by the Service Control Manager, it runs the worker
// copy of the launcher, drains its output and turns stop and shutdown
// requests into the line "0" on the worker's standard input.
#ifndef PELLUX_ENTRY_SERVICE_HOST_H
#define PELLUX_ENTRY_SERVICE_HOST_H

#include <windows.h>

// The service's main routine; the first argument is the service name, the
// others are the start arguments. When the worker has run, the process ends
// inside it; it returns when the worker could not be started, or was not
// because a stop request came first.
void WINAPI serviceMain(DWORD argumentCount, LPWSTR *arguments);
// The dispatcher returns as soon as the service reports it has stopped, while
// serviceMain may still be finishing; it ends the process itself, or returns.
void waitForServiceMainEnd();
// Stop, shutdown and every other control request.
void WINAPI serviceControlHandler(DWORD control);
// Writes the flag as a line to the worker's standard input and closes it.
void sendShutdown(int flag);
// Thread routine: reads and discards the worker's output until its end.
DWORD WINAPI drainWorkerOutput(LPVOID readHandle);
// The worker's priority class from the registry, NORMAL_PRIORITY_CLASS if none.
DWORD readPriorityClass();

#endif
