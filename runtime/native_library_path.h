// The configured native library directories (record 10004) in front of PATH,
// so the application's own DLLs resolve before anything else on the machine.
#ifndef PELLUX_RUNTIME_NATIVE_LIBRARY_PATH_H
#define PELLUX_RUNTIME_NATIVE_LIBRARY_PATH_H

#include <cstddef>

#include "config/settings.h"
#include "paths/expand_variables.h"

// The whole new PATH is built in a buffer of this size.
const size_t kNativeLibraryPathCapacity = 48000;

void prependNativeLibraryPath(const Settings &settings, const RunPlaces &places);

#endif
