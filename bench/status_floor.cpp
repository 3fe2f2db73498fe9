// The floor of "/status": open the Service Control Manager and the service,
// query its state, print one line.
//   bench_status_floor SERVICE_NAME
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t **argv) {
    if (argc != 2) {
        fputs("usage: bench_status_floor SERVICE_NAME\n", stderr);
        return 2;
    }
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceW(manager, argv[1], SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS status;
    int result = 1;
    if (service && QueryServiceStatus(service, &status)) {
        result = status.dwCurrentState == SERVICE_RUNNING ? 0 : 3;
        fputs(result == 0 ? "Running.\n" : "Not running.\n", stdout);
    } else {
        fputs("Could not get status.\n", stdout);
    }
    if (service)
        CloseServiceHandle(service);
    if (manager)
        CloseServiceHandle(manager);
    return result;
}
