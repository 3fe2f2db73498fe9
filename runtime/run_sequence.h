// The worker's life: extracted files, native library path, single instance,
// the Java runtime, the VM until the application ends.
#ifndef PELLUX_RUNTIME_RUN_SEQUENCE_H
#define PELLUX_RUNTIME_RUN_SEQUENCE_H

#include "common/string_list.h"
#include "config/process_role.h"
#include "config/settings.h"

// Returns true when the application ended normally; every failure ends the
// process instead of returning. A service worker is stopped by its host
// through its standard input.
bool runSequence(const Settings &settings, StringList &arguments, const ProcessRole &role);

#endif
