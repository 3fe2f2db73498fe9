// The service host: started by the Service Control Manager, it runs the worker
// copy of the launcher and turns stop requests into a line on its input.
#ifndef PELLUX_ENTRY_SERVICE_HOST_H
#define PELLUX_ENTRY_SERVICE_HOST_H

#include <windows.h>

void WINAPI serviceMain(DWORD argumentCount, LPWSTR *arguments);
BOOL WINAPI consoleControlHandler(DWORD event);

#endif
