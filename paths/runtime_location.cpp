#include "paths/runtime_location.h"

char runtimeHome[kRuntimeHomeCapacity];
char runtimeVersion[kRuntimeVersionCapacity];
char jvmBinDirectory[kRuntimeHomeCapacity];
