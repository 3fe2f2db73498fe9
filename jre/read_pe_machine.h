// The Machine field of an executable's PE header, so that a runtime of the
// wrong word size is refused before its jvm.dll is tried. Plain C stdio, no
// Win32: it also runs natively under the sanitizers.
#ifndef PELLUX_JRE_READ_PE_MACHINE_H
#define PELLUX_JRE_READ_PE_MACHINE_H

#include <cstdint>

// 0 when the file cannot be opened or holds no PE header; the reason is logged.
uint16_t readPeMachine(const char *path);

#endif
