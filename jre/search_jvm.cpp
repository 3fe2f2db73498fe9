#include "jre/search_jvm.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/capacities.h"
#include "common/records.h"
#include "common/text.h"
#include "config/settings.h"
#include "diagnostics/log.h"
#include "jre/non_working_java.h"
#include "jre/registry_jvms.h"
#include "jre/check_java_exe.h"
#include "jre/search_observer.h"
#include "jre/search_sequence.h"
#include "jre/unpack_runtime.h"
#include "paths/expand_variables.h"
#include "paths/path_utils.h"

namespace {

struct Search {
    const Settings &settings;
    RunPlaces &places;
    RuntimeSearchWatch &watch;
    RuntimeSearchResult &result;
    JvmLoader loader;
    JavaVersion minimum;
    JavaVersion maximum;
    HMODULE module;
};

// What a main pass entry tries, in the words diagnose prints.
std::string describeEntry(char type, const char *text) {
    switch (type) {
    case 'A':
    case 'B':
    case 'R': return std::string("directory ") + text;
    case 'E': return std::string("environment variable ") + text;
    case 'S': return "java.exe on PATH";
    case 'Y': return "runtimes recorded in the registry";
    default: return std::string("ignored entry of type ") + type + " " + text;
    }
}

// The candidate now in the result passed its test: it becomes the reported
// one whether or not its library loads. A null name leaves the name alone.
bool loadCandidate(Search &search, RuntimeLocationKind kind, const char *locationName) {
    search.result.kind = kind;
    if (locationName)
        copyText(search.result.locationName, kPathCapacity, locationName);
    search.module = search.loader(search.settings, search.places.runtime, search.result.javaExecutable);
    if (search.module == nullptr)
        searchObserver(search.watch).candidateVerdict(search.result.javaExecutable, CandidateVerdict::NoJvmDll);
    return search.module != nullptr;
}

bool tryLocationFile(Search &search, const wchar_t *suffix, const char *stepName, const wchar_t *foundText,
                     const wchar_t *usingText, bool allowBeta) {
    char line[kPathCapacity];
    if (!readLocationFile(search.settings, suffix, line))
        return false;
    logMessage(foundText, line);
    searchObserver(search.watch).searchStep((std::string(stepName) + " " + line).c_str());
    RuntimeSearchResult &result = search.result;
    if (!testJavaHome(search.watch, line, result.javaExecutable, result.version, search.minimum, search.maximum,
                      betasAllowedIf(allowBeta), DirectoryEntry::Probed))
        return false;
    logMessage(usingText);
    return loadCandidate(search, RuntimeLocationKind::Directory, line);
}

// Each repetition yields the scan's next-best runtime: the failed one is now
// on the non-working list, which every probe refuses.
bool tryRegistryScan(Search &search, bool (*scan)(const Settings &, RuntimeSearchWatch &, char *, char *,
                                                  const JavaVersion &, const JavaVersion &)) {
    RuntimeSearchResult &result = search.result;
    while (scan(search.settings, search.watch, result.javaExecutable, result.version, search.minimum,
                search.maximum)) {
        if (loadCandidate(search, RuntimeLocationKind::Registry, nullptr))
            return true;
        if (!addNonWorkingJava(search.watch.nonWorking, result.javaExecutable))
            break;
    }
    return false;
}

bool tryMainPassEntry(Search &search, const SearchEntry &entry, bool force) {
    char text[kTextCapacity];
    copyText(text, sizeof text, entry.text.c_str());
    expandVariablesA(search.places, text, sizeof text);
    logMessage("Testing location %S (type %c)", text, static_cast<int>(static_cast<unsigned char>(entry.type)));
    searchObserver(search.watch).searchStep(describeEntry(entry.type, text).c_str());
    RuntimeSearchResult &result = search.result;
    switch (entry.type) {
    case 'A':
    case 'B':
    case 'R':
        return testJavaHome(search.watch, text, result.javaExecutable, result.version, search.minimum, search.maximum,
                            ProbeRules(), force ? DirectoryEntry::TakenAsFound : DirectoryEntry::Probed) &&
               loadCandidate(search, RuntimeLocationKind::Directory, text);
    case 'E':
        return testEnvironmentHome(search.watch, text, result.javaExecutable, result.version, search.minimum, search.maximum) &&
               loadCandidate(search, RuntimeLocationKind::EnvironmentVariable, text);
    case 'S':
        return testPathJava(search.watch, result.javaExecutable, result.version, search.minimum, search.maximum,
                            search.settings.flag(record::kStrictPathSearch)) &&
               loadCandidate(search, RuntimeLocationKind::SearchPath, text);
    case 'Y':
        return tryRegistryScan(search, scanSharedJvms) || tryRegistryScan(search, scanRegistryJvms);
    default:
        return false;
    }
}

// A runtime shipped in a relative directory is used as soon as its java
// executable is there, even outside the version bounds.
bool tryRelativeEntry(Search &search, const SearchEntry &entry) {
    if (!takesPartInFallbackPass(entry))
        return false;
    logMessage("Testing relative location %S", entry.text.c_str());
    searchObserver(search.watch).searchStep(("directory " + entry.text + " again, taken without a version check").c_str());
    RuntimeSearchResult &result = search.result;
    testJavaHome(search.watch, entry.text.c_str(), result.javaExecutable, result.version, search.minimum, search.maximum,
                 betasAllowedIf(true), DirectoryEntry::TakenAsFound);
    if (!pathExists(result.javaExecutable))
        return false;
    logMessage("%S exists", result.javaExecutable);
    return loadCandidate(search, RuntimeLocationKind::Directory, entry.text.c_str());
}

bool tryPreviousInstallation(Search &search, HKEY root, const wchar_t *foundText) {
    searchObserver(search.watch).searchStep(root == HKEY_CURRENT_USER ? "earlier installation (user)"
                                                          : "earlier installation (machine)");
    RuntimeSearchResult &result = search.result;
    if (!findPreviousInstallation(search.settings, search.watch, root, result.javaExecutable, result.version,
                                  search.minimum, search.maximum))
        return false;
    logMessage(foundText, result.javaExecutable);
    return loadCandidate(search, RuntimeLocationKind::Registry, nullptr);
}

bool tryClosingVariable(Search &search, const char *variable) {
    searchObserver(search.watch).searchStep(describeEntry('E', variable).c_str());
    RuntimeSearchResult &result = search.result;
    return testEnvironmentHome(search.watch, variable, result.javaExecutable, result.version, search.minimum, search.maximum) &&
           loadCandidate(search, RuntimeLocationKind::EnvironmentVariable, variable);
}

bool runSearchSteps(Search &search, const std::vector<SearchEntry> &entries) {
    if (tryLocationFile(search, L"\\.zanthor\\pref_jre.cfg", "preferred location", L"Has preferred location %S",
                        L"Using preferred location", true))
        return true;
    bool force = search.settings.flag(record::kForceDirectoryEntries);
    for (const SearchEntry &entry : entries) {
        if (tryMainPassEntry(search, entry, force))
            return true;
    }
    if (tryLocationFile(search, L"\\.zanthor\\inst_jre.cfg", "installer location", L"Has installer location %S",
                        L"Using installer location", false))
        return true;
    for (const SearchEntry &entry : entries) {
        if (tryRelativeEntry(search, entry))
            return true;
    }
    if (tryPreviousInstallation(search, HKEY_CURRENT_USER, L"found JRE from previous installation (user) %S") ||
        tryPreviousInstallation(search, HKEY_LOCAL_MACHINE, L"found JRE from previous installation (machine) %S"))
        return true;
    logMessage("Search sequence finished");
    return tryClosingVariable(search, "PELLUX_JAVA_HOME") || tryClosingVariable(search, "ZANTHOR_JAVA_HOME");
}

}  // namespace

HMODULE searchJvm(const Settings &settings, RunPlaces &places, RuntimeSearchWatch &watch, RuntimeSearchResult &result,
                  JvmLoader loader) {
    logMessage("Searching for a JVM");
    watch.candidates = candidateRulesOf(settings);
    result.kind = RuntimeLocationKind::None;
    char sequence[kTextCapacity], minimumText[kTextCapacity], maximumText[kTextCapacity];
    settings.text(record::kSearchSequence, sequence, sizeof sequence);
    settings.text(record::kMinimumVersion, minimumText, sizeof minimumText);
    settings.text(record::kMaximumVersion, maximumText, sizeof maximumText);
    logMessage("MinVersion: %S, MaxVersion: %S", minimumText, maximumText);
    Search search{settings, places, watch, result, loader, parseJavaVersion(minimumText), parseJavaVersion(maximumText),
                  nullptr};
    runSearchSteps(search, splitSearchSequence(sequence));
    return search.module;
}

bool testJavaHome(RuntimeSearchWatch &watch, const char *directory, char *javaExe, char *version,
                  const JavaVersion &minimum, const JavaVersion &maximum, const ProbeRules &rules,
                  DirectoryEntry entry) {
    char home[kPathCapacity];
    getFullPath(home, sizeof home, directory, false);
    if (watch.unpackRuntimes)
        unpackRuntime(home);
    if (javaExeFromHome(watch, home, javaExe) && checkJavaExe(watch, javaExe, version, minimum, maximum, rules))
        return true;
    return entry == DirectoryEntry::TakenAsFound;
}

bool testEnvironmentHome(RuntimeSearchWatch &watch, const char *variable, char *javaExe, char *version,
                         const JavaVersion &minimum, const JavaVersion &maximum) {
    char home[kPathCapacity];
    // Narrow: a runtime home becomes java.home and the library path, narrow texts.
    DWORD length = GetEnvironmentVariableA(variable, home, sizeof home);
    // A value too long for the buffer is left unread, like an unset one.
    if (length == 0 || length >= sizeof home)
        return false;
    for (char *c = home; *c; c++) {
        if (*c == '/')
            *c = '\\';
    }
    return javaExeFromHome(watch, home, javaExe) && checkJavaExe(watch, javaExe, version, minimum, maximum);
}

bool testPathJava(RuntimeSearchWatch &watch, char *javaExe, char *version, const JavaVersion &minimum,
                  const JavaVersion &maximum, bool onlyPath) {
    std::string folders;
    if (onlyPath) {
        // A service's current directory may be one its users can write to.
        DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
        folders.assign(size, '\0');
        DWORD read = size ? GetEnvironmentVariableA("PATH", &folders[0], size) : 0;
        if (read == 0 || read >= size)
            return false;
        folders.resize(read);
    }
    // Narrow: a runtime path is narrow, as the VM takes it.
    DWORD length =
        SearchPathA(onlyPath ? folders.c_str() : nullptr, "java.exe", nullptr, kPathCapacity, javaExe, nullptr);
    if (length == 0 || length >= kPathCapacity)
        return false;
    return checkJavaExe(watch, javaExe, version, minimum, maximum);
}

bool readLocationFile(const Settings &settings, const wchar_t *suffix, char *line) {
    wchar_t directory[kTextCapacity];
    settings.text(record::kInstallationDirectory, directory, kTextCapacity);
    wchar_t path[kTextCapacity];
    getFullPath(path, kTextCapacity, directory, DirectoryForm::Long, true);
    std::wstring fileName = std::wstring(path) + suffix;
    FILE *file = _wfopen(fileName.c_str(), L"rt");
    if (!file)
        return false;
    bool read = fgets(line, static_cast<int>(kPathCapacity), file) != nullptr;
    fclose(file);
    if (!read)
        return false;
    size_t length = strlen(line);
    while (length > 0 && (line[length - 1] == '\r' || line[length - 1] == '\n'))
        line[--length] = 0;
    return true;
}
