// The class path and module path the VM receives, built from typed path
// entries (config records 121 and 132), the class path overrides of the option
// files, the archives of the launcher's temporary directory and the runtime
// jar. The machine is reached only through PathEntrySystem, so the rules also
// run natively.
#ifndef PELLUX_JVM_PATH_ENTRIES_H
#define PELLUX_JVM_PATH_ENTRIES_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Set by "-classpath ", "-classpath/p " and "-classpath/a " entries; a later
// entry of the same kind replaces an earlier one.
struct ClassPathOverrides {
    std::optional<std::string> replacement;
    std::optional<std::string> prepend;
    std::optional<std::string> append;
};

// What the path building asks of the machine. Paths are narrow, in the code
// page of the file functions.
class PathEntrySystem {
public:
    // Launcher and environment variables replaced.
    virtual std::string expand(const std::string &text) = 0;
    // Relative to the executable's directory, backslashes collapsed.
    virtual std::string resolve(const std::string &path) = 0;
    virtual bool exists(const std::string &path) = 0;
    // Names of the entries matching the pattern, in the order the file
    // system enumerates them.
    virtual std::vector<std::string> findFiles(const std::string &pattern) = 0;
    virtual std::optional<std::string> environmentValue(const std::string &name) = 0;
    // Config record 10003 as an absolute directory.
    virtual std::string applicationDirectory() = 0;

protected:
    ~PathEntrySystem() = default;
};

// What a required entry that yields nothing ends the launcher with.
struct PathEntryFailure {
    int32_t messageId = 0;  // 0: no failure
    std::string argument;
};

// Typed entries: a type letter, a required flag ("1") and a value.
struct PathEntry {
    char type = 0;
    bool required = false;
    std::string value;
};

// The ";"-separated entries of two or more characters.
std::vector<PathEntry> splitPathEntries(const std::string &text);

// A variable's value as it joins a path: surrounding double quotes dropped.
std::string unquotedEnvironmentValue(const std::string &value);

// Appends each entry's contribution and ";" to path. "S" entries list the
// archives of their directory when forClassPath, else they name it. Stops at
// the first required entry that yields nothing and returns why.
PathEntryFailure appendPathEntries(PathEntrySystem &system, const std::string &entries, bool forClassPath,
                                   std::string &path);

// Appends directory\name; for every file of the directory with the
// extension; false only when the directory does not exist.
bool appendArchivesInDirectory(PathEntrySystem &system, std::string &path, const std::string &directory,
                               const std::string &extension);

// The runtime library's jar below the application directory, and ";".
void appendRuntimeJar(PathEntrySystem &system, std::string &path);

struct PathTextSources {
    std::string modulePathEntries;  // record 132
    std::string classPathEntries;   // record 121
    bool moduleMainClass = false;   // record 133
    bool runtimeJar = false;        // flavour 'i'
    std::string launcherTempDir;    // empty when none was created
    ClassPathOverrides overrides;
};

struct PathTexts {
    std::string modulePath;  // without a trailing ";", empty when none
    std::string classPath;   // the whole "-Djava.class.path=" option
    PathEntryFailure failure;
};

// The module path first, then the class path: prepend override, the extra
// archives (on the module path when there is one), the configured entries or
// the replacement override, the append override.
PathTexts buildPathTexts(PathEntrySystem &system, const PathTextSources &sources);

#endif
