// The service control commands: install, remove, start, stop and query the
// launcher's own service (serviceName). Each prints its result on standard
// output and returns the exit code.
#ifndef PELLUX_SERVICE_SERVICE_CONTROL_H
#define PELLUX_SERVICE_SERVICE_CONTROL_H

#include <windows.h>

#include <string>

#include "common/string_list.h"
#include "config/settings.h"

// 0 installed, 1 failure. An existing registration of this executable is
// removed first, or updated in place with the update-in-place record; one of another
// program, or a folder others may change, is
// refused (refused set) and nothing is touched.
int installService(const Settings &settings, const wchar_t *serviceName, unsigned long startType,
                   bool *refused = nullptr);
// 0 removed, 1 failure; prints only when verbose.
int uninstallService(const Settings &settings, const wchar_t *serviceName, bool verbose);
// arguments: the service name argument first, then the start arguments.
// 0 start accepted or already running, 1 failure. A service that waits for
// its application to be ready is followed until it runs (0) or stops (1).
int startService(const Settings &settings, const wchar_t *serviceName, const StringList &arguments);
// 0 stop sent (whatever the wait gave) or already stopped, 1 failure.
int stopService(const Settings &settings, const wchar_t *serviceName, bool verbose);
// True when the service reached SERVICE_STOPPED.
bool waitForServiceStop(SC_HANDLE service);
// 0 running, 3 not running, 1 failure. With the delayed-start record,
// "Auto-start (delayed)." for a delayed automatic start.
int showServiceStatus(const Settings &settings, const wchar_t *serviceName);
// Record 149 as CreateServiceW's dependency list; empty for none.
std::wstring readServiceDependencies(const Settings &settings);

#endif
