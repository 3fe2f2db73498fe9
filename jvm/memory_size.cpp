#include "jvm/memory_size.h"

#include <cstdint>

// Units are powers of 1024, taken as shifts: a 32-bit launcher then needs no
// 64-bit division routine. 0 for no unit.
static int unitShift(char unit) {
    switch (unit) {
    case 'k': case 'K': return 10;
    case 'm': case 'M': return 20;
    case 'g': case 'G': return 30;
    case 't': case 'T': return 40;
    default: return 0;
    }
}

int64_t parseMemorySize(const char *text) {
    if (text == nullptr || *text < '0' || *text > '9')
        return -1;
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; text++) {
        int digit = *text - '0';
        if (value > INT64_MAX / 10 || (value == INT64_MAX / 10 && digit > INT64_MAX % 10))
            return -1;
        value = value * 10 + digit;
    }
    if (*text == 0)
        return value;
    int shift = unitShift(*text);
    if (shift == 0 || text[1] != 0 || value > INT64_MAX >> shift)
        return -1;
    return value << shift;
}

uint32_t chooseStackSize(const std::vector<std::string> &options) {
    static const char prefix[] = "-Xss";
    int64_t size = 0;
    for (const std::string &option : options) {
        if (option.compare(0, sizeof prefix - 1, prefix) != 0)
            continue;
        int64_t parsed = parseMemorySize(option.c_str() + sizeof prefix - 1);
        if (parsed > 0)
            size = parsed;
    }
    // Reservations are made in units of the 64 KiB allocation granularity.
    if (size >= 1 && size <= 0xFFFF)
        size = 0x10000;
    return static_cast<uint32_t>(size & 0xFFFFFFFF);
}
