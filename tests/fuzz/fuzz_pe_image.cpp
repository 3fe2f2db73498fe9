// Runtime homes come from users: any bytes must give a status, never a read
// outside them, and a header found must lie inside them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/pe_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string bytes(reinterpret_cast<const char *>(data), size);
    PeHeader header = readPeHeader(bytes);
    if (header.status == PeHeaderStatus::Ok && static_cast<uint64_t>(header.headerOffset) + 6 > size)
        abort();
    peHeaderProblem(header.status);
    peMachineName(header.machine);
    return 0;
}
