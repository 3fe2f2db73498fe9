#include "jre/registry_jvms.h"

#include <string>
#include <vector>

#include "common/capacities.h"
#include "common/format.h"
#include "common/records.h"
#include "common/target.h"
#include "common/text.h"
#include "common/win32_handles.h"
#include "config/settings.h"
#include "diagnostics/log.h"
#include "jre/check_java_exe.h"
#include "jre/registry_rules.h"

// Narrow registry calls throughout: the runtime homes found here become
// java.home and library paths, which the VM takes as narrow texts.
namespace {

// A registry text: a key, class or value read here.
const DWORD kRegistryTextCapacity = static_cast<DWORD>(kTextCapacity);
const char kInstallationsKey[] = "SOFTWARE\\Marrowfield\\zanthor\\installations";
const char kSharedJvmsKey[] = "SOFTWARE\\Marrowfield\\zanthor\\sharedjvms\\";
const char kLocatedJvmsKey[] = "SOFTWARE\\Marrowfield\\pellux\\locatedjvms\\";

// The value as text, terminated after the bytes the registry returned.
LONG queryTextValue(HKEY key, const char *name, std::string &value) {
    char buffer[kRegistryTextCapacity + 1];
    DWORD size = kRegistryTextCapacity;
    LONG status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(buffer), &size);
    if (status != ERROR_SUCCESS)
        return status;
    buffer[size < kRegistryTextCapacity ? size : kRegistryTextCapacity] = 0;
    value = buffer;
    return ERROR_SUCCESS;
}

// Subkey names in enumeration order; an unreadable entry ends the list.
std::vector<std::string> subkeyNames(HKEY key) {
    std::vector<std::string> names;
    char name[kRegistryTextCapacity];
    char keyClass[kRegistryTextCapacity];
    for (DWORD index = 0;; index++) {
        DWORD nameSize = kRegistryTextCapacity;
        DWORD classSize = kRegistryTextCapacity;
        if (RegEnumKeyExA(key, index, name, &nameSize, nullptr, keyClass, &classSize, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    return names;
}

// Probes the home; the probe's own buffers receive the result.
bool acceptsHome(RuntimeSearchWatch &watch, const char *home, char *javaExe, char *version,
                 const JavaVersion &minimum, const JavaVersion &maximum, bool *javaFound = nullptr) {
    bool found = javaExeFromHome(watch, home, javaExe);
    if (javaFound)
        *javaFound = found;
    return found && checkJavaExe(watch, javaExe, version, minimum, maximum);
}

bool findInstallationInView(const Settings &settings, RuntimeSearchWatch &watch, HKEY root, REGSAM view,
                            char *javaExe, char *version, const JavaVersion &minimum, const JavaVersion &maximum) {
    char appId[kRegistryTextCapacity];
    settings.text(record::kApplicationId, appId, sizeof appId);
    logMessage("checking app id %S (%d, %p)", appId, static_cast<int>(view), static_cast<void *>(root));
    if (appId[0] == 0)
        return false;
    RegistryKey key;
    LONG status = RegOpenKeyExA(root, kInstallationsKey, 0, KEY_READ | view, key.receive());
    if (status != ERROR_SUCCESS) {
        logMessage("could not open installation node %d", static_cast<int>(status));
        return false;
    }
    std::string directories;
    status = queryTextValue(key.get(), appId, directories);
    key.reset();
    if (status != ERROR_SUCCESS || directories.empty()) {
        logMessage("could not query value node %d", static_cast<int>(status));
        return false;
    }
    logMessage("found installations: %S", directories.c_str());
    size_t pos = 0;
    while (pos < directories.size()) {
        std::string directory = nextToken(directories, pos, ';');
        if (directory.empty())
            continue;
        std::string home = formatString("%s\\jre", directory.c_str());
        bool javaFound;
        if (acceptsHome(watch, home.c_str(), javaExe, version, minimum, maximum, &javaFound))
            return true;
        if (javaFound)
            logMessage("java version did not match in %S", home.c_str());
        else
            logMessage("did not find java in %S", home.c_str());
    }
    return false;
}

struct LauncherScanResult {
    bool found = false;
    std::string javaExe;
    std::string version;
};

LauncherScanResult scanLauncherRoot(RuntimeSearchWatch &watch, HKEY root, REGSAM view, const char *keyPath,
                                    bool acceptPlain, bool acceptZnoJres, const JavaVersion &minimum,
                                    const JavaVersion &maximum) {
    LauncherScanResult best;
    RegistryKey key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ | view, key.receive()) != ERROR_SUCCESS)
        return best;
    for (std::string path : subkeyNames(key.get())) {
        slashesToBackslashes(path);
        if (!acceptsLauncherCandidate(path, acceptPlain, acceptZnoJres))
            continue;
        char javaExe[kPathCapacity];
        char version[kVersionCapacity] = "";
        copyText(javaExe, kPathCapacity, path.c_str());
        if (checkJavaExe(watch, javaExe, version, minimum, maximum, betasAllowedIf(true)) &&
            isVersionGreater(version, best.version.c_str())) {
            best.found = true;
            best.javaExe = javaExe;
            best.version = version;
        }
    }
    return best;
}

// HKEY_LOCAL_MACHINE\SOFTWARE has a half for each word size on 64-bit Windows,
// and a process sees its own half by default. A 32-bit installer records
// runtimes in the 32-bit half whatever their word size, so the 64-bit build
// reads that half when its own holds none.
LauncherScanResult scanLauncherMachine(RuntimeSearchWatch &watch, const char *keyPath, bool acceptPlain,
                                       bool acceptZnoJres, const JavaVersion &minimum, const JavaVersion &maximum) {
    LauncherScanResult own =
        scanLauncherRoot(watch, HKEY_LOCAL_MACHINE, 0, keyPath, acceptPlain, acceptZnoJres, minimum, maximum);
    if (own.found || !kTargetIs64Bit)
        return own;
    return scanLauncherRoot(watch, HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, keyPath, acceptPlain, acceptZnoJres, minimum,
                            maximum);
}

bool homeOfVersionSubkey(HKEY vendorKey, const VendorKey &vendor, const std::string &name, std::string &home) {
    std::string subkeyPath = vendor.homeInHotspotMsi ? formatString("%s\\hotspot\\MSI", name.c_str()) : name;
    RegistryKey subkey;
    if (RegOpenKeyExA(vendorKey, subkeyPath.c_str(), 0, KEY_READ, subkey.receive()) != ERROR_SUCCESS)
        return false;
    return queryTextValue(subkey.get(), vendor.homeValue, home) == ERROR_SUCCESS;
}

bool scanVendorKey(RuntimeSearchWatch &watch, const VendorKey &vendor, char *javaExe, char *version,
                   const JavaVersion &minimum, const JavaVersion &maximum) {
    // Java installers record a runtime in the half of its own word size; the
    // default view is the build's own half, and the other half holds nothing
    // this build can load.
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, vendor.path, 0, KEY_READ, key.receive()) != ERROR_SUCCESS)
        return false;
    std::vector<std::string> kept;
    for (const std::string &name : subkeyNames(key.get())) {
        std::string versionText = vendorVersionText(vendor, name);
        logMessage("test key name %S %S", versionText.c_str(), name.c_str());
        if (isVersionInRangePrefix(versionText.c_str(), minimum, maximum))
            kept.push_back(name);
    }
    sortNamesByVersion(kept);
    for (const std::string &name : kept)
        logMessage("found in %S: %S", vendor.path, name.c_str());
    bool accepted = false;
    for (const std::string &name : kept) {
        std::string home;
        if (homeOfVersionSubkey(key.get(), vendor, name, home) &&
            acceptsHome(watch, home.c_str(), javaExe, version, minimum, maximum)) {
            accepted = true;
            break;
        }
    }
    return accepted;
}

bool scanVendorJvms(bool jdkRequired, RuntimeSearchWatch &watch, char *javaExe, char *version,
                    const JavaVersion &minimum, const JavaVersion &maximum) {
    std::vector<RegistryCandidate> candidates;
    for (size_t i = 0; i < kVendorKeyCount; i++) {
        if (kVendorKeys[i].jreKey && jdkRequired)
            continue;
        if (scanVendorKey(watch, kVendorKeys[i], javaExe, version, minimum, maximum))
            candidates.push_back(RegistryCandidate{javaExe, version});
    }
    if (candidates.empty())
        return false;
    sortCandidatesByVersion(candidates);
    for (const RegistryCandidate &candidate : candidates)
        logMessage("found registry jre %S %S", candidate.javaExe.c_str(), candidate.version.c_str());
    copyText(javaExe, kPathCapacity, candidates[0].javaExe.c_str());
    copyText(version, kVersionCapacity, candidates[0].version.c_str());
    return true;
}

}  // namespace

bool findPreviousInstallation(const Settings &settings, RuntimeSearchWatch &watch, HKEY root, char *javaExe,
                              char *version, const JavaVersion &minimum, const JavaVersion &maximum) {
    watch.candidates = candidateRulesOf(settings);
    return findInstallationInView(settings, watch, root, 0, javaExe, version, minimum, maximum) ||
           findInstallationInView(settings, watch, root, KEY_WOW64_32KEY, javaExe, version, minimum, maximum);
}

bool scanSharedJvms(const Settings &settings, RuntimeSearchWatch &watch, char *javaExe, char *version,
                    const JavaVersion &minimum, const JavaVersion &maximum) {
    watch.candidates = candidateRulesOf(settings);
    std::string sharingKey = settings.text(record::kSharingKey);
    logMessage("Sharing key: %S", sharingKey.c_str());
    if (sharingKey.empty())
        return false;
    std::string keyPath = formatString("%s%s\\", kSharedJvmsKey, sharingKey.c_str());
    return scanLauncherJvms(watch, keyPath.c_str(), true, true, javaExe, version, minimum, maximum);
}

bool scanLauncherJvms(RuntimeSearchWatch &watch, const char *keyPath, bool acceptPlain, bool acceptZnoJres,
                      char *javaExe, char *version, const JavaVersion &minimum, const JavaVersion &maximum) {
    // HKEY_CURRENT_USER\SOFTWARE is one for both word sizes.
    LauncherScanResult user =
        scanLauncherRoot(watch, HKEY_CURRENT_USER, 0, keyPath, acceptPlain, acceptZnoJres, minimum, maximum);
    LauncherScanResult machine = scanLauncherMachine(watch, keyPath, acceptPlain, acceptZnoJres, minimum, maximum);
    const LauncherScanResult *chosen = &machine;
    if (!machine.found || (user.found && isVersionGreater(user.version.c_str(), machine.version.c_str())))
        chosen = &user;
    if (!chosen->found)
        return false;
    copyText(javaExe, kPathCapacity, chosen->javaExe.c_str());
    copyText(version, kVersionCapacity, chosen->version.c_str());
    return true;
}

bool scanRegistryJvms(const Settings &settings, RuntimeSearchWatch &watch, char *javaExe, char *version,
                      const JavaVersion &minimum, const JavaVersion &maximum) {
    watch.candidates = candidateRulesOf(settings);
    bool onlyZnoJres = settings.flag(record::kOnlyZnoJres);
    char vendorExe[kPathCapacity] = "";
    char vendorVersion[kVersionCapacity] = "";
    bool vendorFound = !onlyZnoJres && scanVendorJvms(settings.flag(record::kRequireJdk), watch, vendorExe,
                                                      vendorVersion, minimum, maximum);
    if (vendorFound)
        logMessage("found sun %S %S", vendorExe, vendorVersion);
    bool locatedFound = scanLauncherJvms(watch, kLocatedJvmsKey, !onlyZnoJres, settings.flag(record::kTakeZnoJres),
                                         javaExe, version, minimum, maximum);
    if (locatedFound)
        logMessage("found located %S %S", javaExe, version);
    if (vendorFound && (!locatedFound || isVersionGreater(vendorVersion, version))) {
        copyText(javaExe, kPathCapacity, vendorExe);
        copyText(version, kVersionCapacity, vendorVersion);
    }
    return vendorFound || locatedFound;
}
