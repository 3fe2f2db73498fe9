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

void sortNamesByVersion(std::vector<std::string> &names) {
    std::stable_sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        return isVersionGreater(a.c_str(), b.c_str());
    });
}

void sortCandidatesByVersion(std::vector<RegistryCandidate> &candidates) {
    std::stable_sort(candidates.begin(), candidates.end(), [](const RegistryCandidate &a, const RegistryCandidate &b) {
        return isVersionGreater(a.version.c_str(), b.version.c_str());
    });
}
