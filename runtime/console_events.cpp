#include "runtime/console_events.h"

#include "diagnostics/log.h"

BOOL WINAPI consoleControlHandler(DWORD) {
    logMessage(L"ConsoleCtrlHandler event");
    return TRUE;
}
