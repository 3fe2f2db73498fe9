// The rules of the registry scans that need no registry: the vendor keys,
// key names as versions, the "zno_jres" test and the version ordering of
// candidates. No Win32 here.
#ifndef PELLUX_JRE_REGISTRY_RULES_H
#define PELLUX_JRE_REGISTRY_RULES_H

#include <cstddef>
#include <string>
#include <vector>

struct VendorKey {
    const char *path;
    bool jreKey;            // skipped when a JDK is required (config record 131)
    bool zuluNames;         // subkeys may be named "zulu-<version>"
    bool homeInHotspotMsi;  // the home lies in the subkey's "hotspot\MSI"
    const char *homeValue;
};

// In scan order; ties of equal versions go to the earlier key.
extern const VendorKey kVendorKeys[];
extern const size_t kVendorKeyCount;

// A version subkey's name as a version text: "zulu-" dropped under the Zulu key.
std::string vendorVersionText(const VendorKey &key, const std::string &name);

// Registry names spell paths with "/".
void slashesToBackslashes(std::string &path);
bool isZnoJresRuntime(const std::string &path);
bool acceptsLauncherCandidate(const std::string &path, bool acceptPlain, bool acceptZnoJres);

// The version cache key of a normalised executable path, below HKEY_CURRENT_USER.
std::string versionCacheKeyPath(const char *javaExe);

struct RegistryCandidate {
    std::string javaExe;
    std::string version;
};

// Highest version first by isVersionGreater; equal versions keep their order.
void sortNamesByVersion(std::vector<std::string> &names);
void sortCandidatesByVersion(std::vector<RegistryCandidate> &candidates);

#endif
