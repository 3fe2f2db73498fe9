// The service host: started by the Service Control Manager, it runs the worker
// copy of the launcher, drains its output and turns stop and shutdown
// requests into the line "0" on the worker's standard input.
#ifndef PELLUX_SERVICE_SERVICE_HOST_H
#define PELLUX_SERVICE_SERVICE_HOST_H

#include <windows.h>

#include "config/settings.h"
#include "service/host_events.h"

// Adds an observer of the host's events beside the diagnostic log; before
// the dispatcher starts, for the life of the process. False when the host
// has no room for another.
bool addHostObserver(HostObserver &observer);

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
// The worker's priority class from the registry, NORMAL_PRIORITY_CLASS if none.
DWORD readPriorityClass(const wchar_t *serviceName);

#endif
