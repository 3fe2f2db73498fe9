// The per-user record of probed java executables under
// HKEY_CURRENT_USER\SOFTWARE\Marrowfield\pellux\jvms2\<path with "/">, so that
// later launches skip the "-version" run while the file is unchanged.
#ifndef PELLUX_JRE_VERSION_CACHE_H
#define PELLUX_JRE_VERSION_CACHE_H

#include <cstdint>

// A hit needs the same last-write time and all three values; the "1.0.0"
// marker is returned like any version, the caller distrusts it. version has
// room for versionCapacity characters including the terminator. Misses are silent.
bool readVersionCache(const char *javaExe, uint64_t lastWriteTime, char *version, size_t versionCapacity,
                      uint32_t *machine);
void writeVersionCache(const char *javaExe, uint64_t lastWriteTime, const char *version, uint32_t machine);

// The version of an executable whose "-version" run failed; never trusted.
const char kFailedRunVersion[] = "1.0.0";

#endif
