// Memory sizes as VM options write them ("512k", "2m") and the stack size of
// the thread that runs the VM.
#ifndef PELLUX_JVM_MEMORY_SIZE_H
#define PELLUX_JVM_MEMORY_SIZE_H

#include <cstdint>
#include <string>
#include <vector>

// Decimal digits, optionally followed by one unit letter k, m, g or t (either
// case). Anything else, a sign, or a value beyond 64 bits gives -1.
int64_t parseMemorySize(const char *text);

// The reservation for the JVM thread: the last "-Xss" option with a positive
// size wins, sizes under 64 KiB are raised to it, and the thread takes the low
// 32 bits. 0 leaves the system default.
uint32_t chooseStackSize(const std::vector<std::string> &options);

#endif
