#include "jre/version_cache.h"

#include <windows.h>

#include <cstring>

#include "common/capacities.h"
#include "common/text.h"
#include "common/win32_handles.h"
#include "jre/registry_rules.h"

namespace {

const DWORD kCachedVersionCapacity = static_cast<DWORD>(kTextCapacity);  // the value may be any registry text

// A FILETIME as the registry keeps it: low 32 bits first, little-endian.
void fileTimeBytes(uint64_t fileTime, unsigned char (&bytes)[8]) {
    for (int i = 0; i < 8; i++)
        bytes[i] = static_cast<unsigned char>(fileTime >> (8 * i));
}

// Narrow registry calls throughout: the cache is keyed and filled with the
// narrow runtime path and version text, as the VM side uses them.
bool queryExactSize(HKEY key, const char *name, void *data, DWORD size) {
    DWORD returned = size;
    return RegQueryValueExA(key, name, nullptr, nullptr, static_cast<BYTE *>(data), &returned) == ERROR_SUCCESS &&
           returned == size;
}

// Probes of these releases were once cached with a cut-off version; such
// records are probed again.
bool isTruncatedOldVersion(const char *version) {
    return strcmp(version, "1.5.") == 0 || strcmp(version, "1.6.") == 0 || strcmp(version, "1.7.") == 0;
}

bool readCacheValues(HKEY key, uint64_t lastWriteTime, char *version, size_t versionCapacity, uint32_t *machine) {
    unsigned char cachedTime[8], fileTime[8];
    fileTimeBytes(lastWriteTime, fileTime);
    if (!queryExactSize(key, "LastWriteTime", cachedTime, sizeof cachedTime) ||
        memcmp(cachedTime, fileTime, sizeof cachedTime) != 0)
        return false;
    // One byte more than the value may hold, for the terminator.
    char cachedVersion[kCachedVersionCapacity + 1];
    DWORD size = kCachedVersionCapacity;
    if (RegQueryValueExA(key, "Version", nullptr, nullptr, reinterpret_cast<BYTE *>(cachedVersion), &size) !=
            ERROR_SUCCESS ||
        size > kCachedVersionCapacity)
        return false;
    cachedVersion[size] = 0;
    DWORD cachedMachine;
    if (!queryExactSize(key, "Machine", &cachedMachine, sizeof cachedMachine) || isTruncatedOldVersion(cachedVersion))
        return false;
    copyText(version, versionCapacity, cachedVersion);
    *machine = cachedMachine;
    return true;
}

}  // namespace

bool readVersionCache(const char *javaExe, uint64_t lastWriteTime, char *version, size_t versionCapacity,
                      uint32_t *machine) {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, versionCacheKeyPath(javaExe).c_str(), 0, KEY_READ, key.receive()) !=
        ERROR_SUCCESS)
        return false;
    return readCacheValues(key.get(), lastWriteTime, version, versionCapacity, machine);
}

void writeVersionCache(const char *javaExe, uint64_t lastWriteTime, const char *version, uint32_t machine) {
    RegistryKey owner;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, versionCacheKeyPath(javaExe).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, owner.receive(), nullptr) != ERROR_SUCCESS)
        return;
    HKEY key = owner.get();
    unsigned char timeBytes[8];
    fileTimeBytes(lastWriteTime, timeBytes);
    RegSetValueExA(key, "LastWriteTime", 0, REG_BINARY, timeBytes, sizeof timeBytes);
    // Stored without a terminating zero byte.
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE *>(version),
                   static_cast<DWORD>(strlen(version)));
    DWORD machineValue = machine;
    RegSetValueExA(key, "Machine", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&machineValue), sizeof machineValue);
}
