#include "entry/service_host.h"

#include "runtime/log.h"

void WINAPI serviceMain(DWORD, LPWSTR *) { logMessage(L"service main"); }

BOOL WINAPI consoleControlHandler(DWORD) {
    logMessage(L"ConsoleCtrlHandler event");
    return TRUE;
}
