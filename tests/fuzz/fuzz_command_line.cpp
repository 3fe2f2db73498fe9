// Splitting and role decisions take any text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "entry/command_line.h"
#include "tests/host/log_capture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    capturedLog().clear();  // each input starts from an empty capture
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    StringList list;
    splitCommandLine(text.c_str(), list);
    decideRole(list);
    return 0;
}
