// The runtime search: the preferred location, the configured sequence
// (config record 128), the installer location, the relative fallback pass,
// earlier installations and the two closing environment variables. Each
// candidate that passes its probe is handed to the loader; the first whose
// jvm.dll loads ends the search.
#ifndef PELLUX_JRE_SEARCH_JVM_H
#define PELLUX_JRE_SEARCH_JVM_H

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "common/capacities.h"
#include "config/settings.h"
#include "jre/check_java_exe.h"
#include "jre/search_observer.h"
#include "paths/expand_variables.h"

// Which step produced the current candidate; the loader picks its failure
// message by it.
enum class RuntimeLocationKind : int32_t {
    None = 0,
    SearchPath = 1,
    Directory = 2,
    EnvironmentVariable = 3,
    Registry = 4,
};

// Filled by searchJvm; the caller owns it. After a failed search the fields
// describe the last candidate that passed its probe.
struct RuntimeSearchResult {
    char javaExecutable[kPathCapacity];
    char version[kVersionCapacity];
    RuntimeLocationKind kind;
    // Kind 2: the directory text as tested or the location file's line;
    // kind 3: the variable's name; kind 1: the "S" entry's text; kind 4: untouched.
    char locationName[kPathCapacity];
};

// Loads the jvm.dll of the runtime around a java executable, noting in
// runtime the directory it came from; null when it does not load.
typedef HMODULE (*JvmLoader)(const Settings &settings, RuntimeLocation &runtime, const char *javaExecutable);

// The loaded jvm.dll, or null. Never fatal by itself, except for a packed
// runtime whose unpacker cannot start. Entries expand against places; the
// watch hears every step and verdict.
HMODULE searchJvm(const Settings &settings, RunPlaces &places, RuntimeSearchWatch &watch, RuntimeSearchResult &result,
                  JvmLoader loader);

// Whether a directory entry counts as found only when its runtime passes the
// probe, or as soon as it is there.
enum class DirectoryEntry { Probed, TakenAsFound };

// Directory entries: resolved against the executable's directory, unpacked,
// probed.
bool testJavaHome(RuntimeSearchWatch &watch, const char *directory, char *javaExe, char *version,
                  const JavaVersion &minimum, const JavaVersion &maximum, const ProbeRules &rules,
                  DirectoryEntry entry);
bool testEnvironmentHome(RuntimeSearchWatch &watch, const char *variable, char *javaExe, char *version,
                         const JavaVersion &minimum, const JavaVersion &maximum);
// onlyPath: the folders of PATH, not the current directory before them.
bool testPathJava(RuntimeSearchWatch &watch, char *javaExe, char *version, const JavaVersion &minimum,
                  const JavaVersion &maximum, bool onlyPath);

// The first line of "<application directory><suffix>" without its line end
// (line has kPathCapacity); false for a missing or empty file.
bool readLocationFile(const Settings &settings, const wchar_t *suffix, char *line);

#endif
