// Console control events (Ctrl+C, closing the console, log-off) must not end a
// process that serves a service: the service's own stop request does that.
#ifndef PELLUX_RUNTIME_CONSOLE_EVENTS_H
#define PELLUX_RUNTIME_CONSOLE_EVENTS_H

#include <windows.h>

// Keeps console events from ending the process: TRUE for every event.
BOOL WINAPI consoleControlHandler(DWORD event);

#endif
