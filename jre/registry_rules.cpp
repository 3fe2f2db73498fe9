#include "jre/registry_rules.h"

#include <algorithm>

#include "jre/java_version.h"

const VendorKey kVendorKeys[] = {
    {"SOFTWARE\\JavaSoft\\JRE", true, false, false, "JavaHome"},
    {"SOFTWARE\\JavaSoft\\JDK", false, false, false, "JavaHome"},
    {"SOFTWARE\\JavaSoft\\Java Runtime Environment", true, false, false, "JavaHome"},
    {"SOFTWARE\\JavaSoft\\Java Development Kit", false, false, false, "JavaHome"},
    {"SOFTWARE\\Microsoft\\JDK", false, false, true, "Path"},
    {"SOFTWARE\\Eclipse Adoptium\\JDK", false, false, true, "Path"},
    {"SOFTWARE\\Azul Systems\\Zulu", false, true, false, "InstallationPath"},
};
const size_t kVendorKeyCount = sizeof kVendorKeys / sizeof kVendorKeys[0];

std::string vendorVersionText(const VendorKey &key, const std::string &name) {
    if (key.zuluNames && name.compare(0, 5, "zulu-") == 0)
        return name.substr(5);
    return name;
}

void slashesToBackslashes(std::string &path) { std::replace(path.begin(), path.end(), '/', '\\'); }

std::string versionCacheKeyPath(const char *javaExe) {
    std::string path = javaExe;
    std::replace(path.begin(), path.end(), '\\', '/');
    return "SOFTWARE\\Marrowfield\\pellux\\jvms2\\" + path;
}

bool isZnoJresRuntime(const std::string &path) { return path.find("zno_jres") != std::string::npos; }

bool acceptsLauncherCandidate(const std::string &path, bool acceptPlain, bool acceptZnoJres) {
    return isZnoJresRuntime(path) ? acceptZnoJres : acceptPlain;
}

// An insertion sort: stable, safe with any comparison, small in code, and a
// registry lists only a handful of runtimes.
template <typename Item, typename VersionOf>
static void sortByVersionDescending(std::vector<Item> &items, VersionOf versionOf) {
    for (size_t sorted = 1; sorted < items.size(); ++sorted)
        for (size_t at = sorted; at > 0 && isVersionGreater(versionOf(items[at]), versionOf(items[at - 1])); --at)
            std::swap(items[at], items[at - 1]);
}

void sortNamesByVersion(std::vector<std::string> &names) {
    sortByVersionDescending(names, [](const std::string &name) { return name.c_str(); });
}

void sortCandidatesByVersion(std::vector<RegistryCandidate> &candidates) {
    sortByVersionDescending(candidates, [](const RegistryCandidate &candidate) { return candidate.version.c_str(); });
}
