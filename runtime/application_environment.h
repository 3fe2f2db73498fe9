// The application's own environment variables (record 30600), set in this
// process before the runtime search and the VM, after the service's own
// environment, so that they win over it.
#ifndef PELLUX_RUNTIME_APPLICATION_ENVIRONMENT_H
#define PELLUX_RUNTIME_APPLICATION_ENVIRONMENT_H

#include "config/settings.h"
#include "paths/expand_variables.h"

// Each value with its ${VAR} references expanded against the environment as
// it was before any of them is set, so "C:\tools;${PATH}" prepends to PATH.
void applyApplicationEnvironment(const Settings &settings, const RunPlaces &places);

#endif
