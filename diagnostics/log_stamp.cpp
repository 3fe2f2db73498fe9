#include "diagnostics/log.h"

#include "common/format.h"

std::wstring formatLogStamp(int64_t elapsedMillis) {
    // A 32-bit count of milliseconds would turn negative after 24.8 days of
    // service; the stamp keeps its form but counts in 64 bits.
    if (elapsedMillis < 0)
        elapsedMillis = 0;
    return formatString(L"[%I64d:%d] ", static_cast<long long>(elapsedMillis / 1000),
                        static_cast<int>(elapsedMillis % 1000));
}
