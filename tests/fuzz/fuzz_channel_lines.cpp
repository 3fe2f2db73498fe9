// The worker's output, whatever the application writes, in pieces of any size.
#include <cstddef>
#include <cstdint>
#include <string>

#include "service/readiness_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    ChannelReader reader("0123456789abcdef", 0);
    reader.expectReport();
    const char *bytes = reinterpret_cast<const char *>(data);
    // The first byte chooses the piece size, so that lines split anywhere.
    size_t piece = size > 0 ? data[0] % 64 + 1 : 1;
    for (size_t at = 0; at < size; at += piece)
        reader.consume(bytes + at, size - at < piece ? size - at : piece, static_cast<uint32_t>(at));
    if (reader.report().size() > kStopReportCapacity)
        __builtin_trap();
    return 0;
}
