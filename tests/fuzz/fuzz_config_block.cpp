// Any bytes after the last section must load or fail with a read error;
// never crash, never allocate without bound.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/config_block.h"
#include "tests/host/log_capture.h"

static std::string fixedLocale() { return "de_AT"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    capturedLog().clear();  // each input starts from an empty capture
    std::string bytes(reinterpret_cast<const char *>(data), size);
    MemorySource source(bytes);
    Settings store;
    uint32_t offset = 0;
    if (locateConfigBlock(source) == BlockError::None)
        parseConfigBlock(source, store, fixedLocale, &offset);
    source.seek(0);
    parseConfigBlock(source, store, fixedLocale, &offset);
    return 0;
}
