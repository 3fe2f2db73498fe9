// Service start and stop times, and the floor service they are held against.
//   bench_service_timing measure SERVICE_NAME SETTLE_MS
//       starts the service and prints the milliseconds to RUNNING, waits
//       SETTLE_MS, stops it and prints the milliseconds to STOPPED
//   bench_service_timing            (started by the Service Control Manager)
//       the floor: a service that is RUNNING at once and STOPPED at a stop
#include <windows.h>

#include <cstdio>

namespace {

const DWORD kWaitLimitMs = 60000;

struct FloorService {
    SERVICE_STATUS_HANDLE handle = nullptr;
    SERVICE_STATUS status = {SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, 0, 0, 0, 0, 0};
    HANDLE stopped = nullptr;
};
FloorService floorService;

void report(DWORD state) {
    floorService.status.dwCurrentState = state;
    floorService.status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(floorService.handle, &floorService.status);
}

DWORD WINAPI control(DWORD code, DWORD, void *, void *) {
    if (code == SERVICE_CONTROL_STOP) {
        report(SERVICE_STOP_PENDING);
        SetEvent(floorService.stopped);
    }
    return NO_ERROR;
}

void WINAPI serviceMain(DWORD, wchar_t **arguments) {
    floorService.handle = RegisterServiceCtrlHandlerExW(arguments[0], control, nullptr);
    if (floorService.handle == nullptr)
        return;
    report(SERVICE_RUNNING);
    WaitForSingleObject(floorService.stopped, kWaitLimitMs);
    report(SERVICE_STOPPED);
}

// Milliseconds until the service reaches the state; -1 past the limit.
double waitForState(SC_HANDLE service, DWORD state, const LARGE_INTEGER &began) {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    SERVICE_STATUS status;
    for (DWORD waited = 0; waited < kWaitLimitMs; waited++) {
        if (QueryServiceStatus(service, &status) && status.dwCurrentState == state) {
            QueryPerformanceCounter(&now);
            return (now.QuadPart - began.QuadPart) * 1000.0 / frequency.QuadPart;
        }
        Sleep(1);
    }
    return -1;
}

int measure(const wchar_t *name, DWORD settleMs) {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceW(manager, name, SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS)
                                : nullptr;
    if (service == nullptr) {
        fprintf(stderr, "bench_service_timing: cannot open the service (%lu)\n", GetLastError());
        return 1;
    }
    LARGE_INTEGER began;
    QueryPerformanceCounter(&began);
    double startMs = StartServiceW(service, 0, nullptr) ? waitForState(service, SERVICE_RUNNING, began) : -1;
    Sleep(settleMs);
    SERVICE_STATUS status;
    QueryPerformanceCounter(&began);
    double stopMs = ControlService(service, SERVICE_CONTROL_STOP, &status)
                        ? waitForState(service, SERVICE_STOPPED, began) : -1;
    printf("%.1f %.1f\n", startMs, stopMs);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return startMs < 0 || stopMs < 0 ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t **argv) {
    if (argc == 4 && lstrcmpW(argv[1], L"measure") == 0)
        return measure(argv[2], static_cast<DWORD>(_wtoi(argv[3])));
    floorService.stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SERVICE_TABLE_ENTRYW table[2] = {{const_cast<wchar_t *>(L""), serviceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
