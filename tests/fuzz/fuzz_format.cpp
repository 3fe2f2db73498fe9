// Formats come from the code, but the arguments do not: strings of any
// content and widths from configuration must stay inside the buffer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/format.h"
#include "tests/host/log_capture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    capturedLog().clear();  // each input starts from an empty capture
    if (size < 2)
        return 0;
    std::string narrow(reinterpret_cast<const char *>(data + 2), size - 2);
    std::wstring wide(narrow.begin(), narrow.end());
    wchar_t buffer[64];
    int width = static_cast<int8_t>(data[0]) * 1000;
    formatText(buffer, data[1] % 64, L"%*s|%.*S|%d|%s", width, wide.c_str(), width, narrow.c_str(), width,
               wide.c_str());
    char out[32];
    formatText(out, data[1] % 32, "%s%S%-*d", narrow.c_str(), wide.c_str(), width, width);
    return 0;
}
