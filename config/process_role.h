// What the entry point decided about this process, handed down to the layers
// that act on it: the service it serves or controls, and how it was started.
#ifndef PELLUX_CONFIG_PROCESS_ROLE_H
#define PELLUX_CONFIG_PROCESS_ROLE_H

#include <cstddef>

#include "common/capacities.h"

struct ProcessRole {
    // The service to install, control or serve: record 101, the argument after
    // a command word, or the name the Service Control Manager passes.
    wchar_t serviceName[kTextCapacity] = {};
    // The process serves the service: the VM gets "-Xrs" and "pellux.isService".
    bool serviceMode = true;
    // Set by "/run": the VM gets "-Dzanthor.noRedir=true".
    bool noRedirect = false;
    // The worker the service host started: a failure here must not end with
    // the code of a clean stop.
    bool serviceWorker = false;
};

#endif
