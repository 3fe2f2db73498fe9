// Subkey names and path values under the vendor keys are anyone's to write:
// the name rules and the version sort must take any list of them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "jre/registry_rules.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    std::vector<std::string> names;
    std::vector<RegistryCandidate> candidates;
    while (!input.empty() && names.size() < 64) {
        std::string name = input.piece();
        const VendorKey &key = kVendorKeys[names.size() % kVendorKeyCount];
        std::string version = vendorVersionText(key, name);
        std::string path = name;
        slashesToBackslashes(path);
        if (path.find('/') != std::string::npos)
            abort();
        isZnoJresRuntime(path);
        acceptsLauncherCandidate(path, names.size() % 2 == 0, names.size() % 3 == 0);
        versionCacheKeyPath(path.c_str());
        names.push_back(name);
        candidates.push_back({path, version});
    }
    std::vector<std::string> sorted = names;
    sortNamesByVersion(sorted);
    if (sorted.size() != names.size())
        abort();
    sortCandidatesByVersion(candidates);
    return 0;
}
