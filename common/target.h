// The few values that depend on the Windows target the launcher is built for.
// The product is the 32-bit build; the 64-bit build is what runs the tests here.
#ifndef PELLUX_COMMON_TARGET_H
#define PELLUX_COMMON_TARGET_H

#include <cstdint>

#if defined(_WIN64) || defined(__x86_64__)
const wchar_t kTargetBitsText[] = L"64";
const char kTargetBitsTextA[] = "64";
const uint16_t kTargetPeMachine = 0x8664;  // IMAGE_FILE_MACHINE_AMD64
#else
const wchar_t kTargetBitsText[] = L"32";
const char kTargetBitsTextA[] = "32";
const uint16_t kTargetPeMachine = 0x014C;  // IMAGE_FILE_MACHINE_I386
#endif

#endif
