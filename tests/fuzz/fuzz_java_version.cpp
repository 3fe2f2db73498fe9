// Version texts come from registry key names, "-version" output and the
// configuration: parsing, the bounds and the ordering must take any text, and
// the ordering must stay an ordering (sorting relies on it).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "jre/java_version.h"
#include "jvm/vm_option_rules.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    std::string a = input.piece();
    std::string b = input.piece();
    std::string output = input.rest();
    JavaVersion va = parseJavaVersion(a.c_str());
    JavaVersion vb = parseJavaVersion(b.c_str());
    for (bool lenient : {false, true}) {
        matchesVersionBound(va, vb, BoundSide::Minimum, lenient);
        matchesVersionBound(va, vb, BoundSide::Maximum, lenient);
    }
    bool greater = isVersionGreater(a.c_str(), b.c_str());
    if (greater && isVersionGreater(b.c_str(), a.c_str()))
        abort();
    if (isVersionGreater(a.c_str(), a.c_str()))
        abort();
    isVersionAcceptable(b.c_str(), va, va, a.empty());
    isVersionInRangePrefix(b.c_str(), va, vb);
    isBetaVersion(a.c_str());
    majorJavaVersion(a.c_str());
    if (javaExeDirLength(b.c_str()) > b.size())
        abort();
    for (const std::string &version : versionsInOutput(output))
        parseJavaVersion(version.c_str());
    return 0;
}
