#include "diagnostics/log.h"

#include "common/format.h"

std::wstring formatLogStamp(int64_t elapsedMillis) {
    // A 32-bit count of milliseconds would turn negative after 24.8 days of
    // service; the stamp keeps its form but counts in 64 bits.
    if (elapsedMillis < 0)
        elapsedMillis = 0;
    uint32_t millis;
    uint64_t seconds = divideBySmall(static_cast<uint64_t>(elapsedMillis), 1000, &millis);
    return formatString(L"[%I64d:%d] ", static_cast<long long>(seconds), static_cast<int>(millis));
}
