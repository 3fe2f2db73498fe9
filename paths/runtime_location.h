// Where the chosen Java runtime lives; filled in when its jvm.dll is loaded,
// read by variable expansion, option files and option assembly.
#ifndef PELLUX_PATHS_RUNTIME_LOCATION_H
#define PELLUX_PATHS_RUNTIME_LOCATION_H

#include <cstddef>

const size_t kRuntimeHomeCapacity = 6000;
const size_t kRuntimeVersionCapacity = 2000;

struct RuntimeLocation {
    // The java executable's directory followed by "\.."; empty before a runtime is chosen.
    char home[kRuntimeHomeCapacity] = {};
    // The version text the search found; empty before a runtime is chosen.
    char version[kRuntimeVersionCapacity] = {};
    // The bin directory whose jvm.dll was loaded last; empty before.
    char jvmBinDirectory[kRuntimeHomeCapacity] = {};
};

#endif
