// The service control commands: install, remove, start, stop and query the
// launcher's own service. Each prints its result and returns the exit code.
#ifndef PELLUX_ENTRY_SERVICE_CONTROL_H
#define PELLUX_ENTRY_SERVICE_CONTROL_H

#include "common/string_list.h"

int installService(unsigned long startType);
int uninstallService(bool verbose);
int startService(const StringList &arguments);
int stopService(bool verbose);
int showServiceStatus();

#endif
