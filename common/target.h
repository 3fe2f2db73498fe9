// The few values that depend on the Windows target the launcher is built for.
// Both builds are products: i686 runs a 32-bit Java, x86_64 a 64-bit one.
#ifndef PELLUX_COMMON_TARGET_H
#define PELLUX_COMMON_TARGET_H

#include <cstdint>

#if defined(_WIN64) || defined(__x86_64__)
const bool kTargetIs64Bit = true;
const wchar_t kTargetBitsText[] = L"64";
const char kTargetBitsTextA[] = "64";
const uint16_t kTargetPeMachine = 0x8664;  // IMAGE_FILE_MACHINE_AMD64
#else
const bool kTargetIs64Bit = false;
const wchar_t kTargetBitsText[] = L"32";
const char kTargetBitsTextA[] = "32";
const uint16_t kTargetPeMachine = 0x014C;  // IMAGE_FILE_MACHINE_I386
#endif

// The one choice between a value for the 32-bit and one for the 64-bit build,
// such as the two variants of a message that names the word size.
template <typename T>
constexpr T forTarget(T for32Bit, T for64Bit) {
    return kTargetIs64Bit ? for64Bit : for32Bit;
}

#endif
