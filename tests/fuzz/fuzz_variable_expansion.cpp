// Configured texts are expanded against the launcher's values and an
// environment anyone can set: values that name each other, names with "=",
// unterminated entries. Both modes must stay within the expansion limit and
// the store must stay within its buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "paths/variable_rules.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

// The environment as a block: entries separated by "\n" in the input, each
// ended by a NUL, the block by an empty entry.
std::string environmentBlock(const std::string &entries) {
    std::string block;
    for (char c : entries)
        block.push_back(c == '\n' ? '\0' : c);
    block.push_back('\0');
    block.push_back('\0');
    return block;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    std::string text = input.piece();
    NarrowExpansionValues narrow{input.piece(), input.piece(), input.piece(), input.piece()};
    std::string block = environmentBlock(input.rest());

    std::string narrowText = text;
    expandNarrowText(narrowText, narrow, block.c_str(), text.size() % 2 == 0);
    std::string noEnvironment = text;
    expandNarrowText(noEnvironment, narrow, nullptr, false);
    if (narrowText.size() > kExpansionLimit + text.size() || noEnvironment.size() > kExpansionLimit + text.size())
        abort();
    char narrowBuffer[40];
    storeExpandedText(narrowBuffer, sizeof narrowBuffer, narrowText);

    WideExpansionValues wide;
    wide.executableDirectory.text = widened(narrow.executableDirectory);
    wide.launcherTempDirectory = {widened(narrow.launcherTempDirectory), true};
    wide.runtimeHome.text = widened(narrow.runtimeHome);
    wide.tempRoot.text = widened(narrow.tempRoot);
    std::wstring wideBlock = widened(block);
    std::wstring wideText = widened(text);
    expandWideText(wideText, wide, wideBlock.c_str());
    wchar_t wideBuffer[40];
    storeExpandedText(wideBuffer, sizeof wideBuffer / sizeof wideBuffer[0], wideText);
    return 0;
}
