// Process-wide values decided by the entry point.
#ifndef PELLUX_CONFIG_PROCESS_ROLE_H
#define PELLUX_CONFIG_PROCESS_ROLE_H

#include <cstddef>

const size_t kServiceNameCapacity = 6000;

// The service to install, control or serve: record 101, the argument after a
// command word, or the name the Service Control Manager passes.
extern wchar_t serviceName[kServiceNameCapacity];
// The process serves the service: the VM gets "-Xrs" and "pellux.isService".
extern bool serviceMode;
// Set by "/run": the VM gets "-Dzanthor.noRedir=true".
extern bool noRedirect;

#endif
