// "/diagnose": what a start of the service would do, in plain English on
// standard output, without starting Java or changing the machine: the service's
// state, the configuration that matters, the runtime search step by step with
// each candidate's verdict, the VM options, and where the log would go.
#ifndef PELLUX_SERVICE_DIAGNOSE_H
#define PELLUX_SERVICE_DIAGNOSE_H

struct ProcessRole;

#include "config/settings.h"

// 0 when a runtime would be used, 2 when none would.
int diagnose(const Settings &settings, const ProcessRole &role);

#endif
