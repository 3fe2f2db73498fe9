// Option files and the version-specific lines are written by users: every
// line must trim, classify and match without reading outside its text, and a
// hostile pattern must not take unbounded time.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "jvm/vm_option_rules.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    std::string condition = input.piece();
    std::string version = input.piece();
    matchVersionPattern(condition.c_str(), version.c_str());
    versionConditionHolds(condition.c_str(), version.c_str(), majorJavaVersion(version.c_str()));
    StringList tokens;
    while (!input.empty()) {
        std::string line = input.piece();
        if (!trimVmOptionLine(line))
            continue;
        if (line.empty() || line[0] == '#')
            abort();
        std::wstring rest;
        std::wstring entry = widened(line);
        classifyVmOptionEntry(entry, rest);
        if (rest.size() > entry.size())
            abort();
        tokens.push_back(entry);
    }
    joinVmOptionTokens(tokens);
    return 0;
}
