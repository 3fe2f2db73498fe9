// Where the chosen Java runtime lives; filled in when its jvm.dll is loaded,
// read by variable expansion, option files and option assembly.
#ifndef PELLUX_PATHS_RUNTIME_LOCATION_H
#define PELLUX_PATHS_RUNTIME_LOCATION_H

#include <cstddef>

#include "common/capacities.h"

struct RuntimeLocation {
    // The java executable's directory followed by "\.."; empty before a runtime is chosen.
    char home[kPathCapacity] = {};
    // The version text the search found; empty before a runtime is chosen.
    char version[kVersionCapacity] = {};
    // The bin directory whose jvm.dll was loaded last; empty before.
    char jvmBinDirectory[kPathCapacity] = {};
};

#endif
