#include "runtime/console_events.h"

#include "diagnostics/log.h"

BOOL WINAPI consoleControlHandler(DWORD) {
    logMessage("ConsoleCtrlHandler event");
    return TRUE;
}
