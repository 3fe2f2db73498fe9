#include "paths/temp_root_rules.h"

#include "common/format.h"
#include "common/text.h"
#include "diagnostics/log.h"
#include "paths/path_rules.h"

namespace {

template <typename Char>
std::basic_string<Char> ascii(const char *text) {
    std::basic_string<Char> result;
    for (; *text; text++)
        result.push_back(static_cast<Char>(*text));
    return result;
}

std::string testDirectoryName(const char *directory, int processId, int number) {
    return formatString("%s\\plxtw%d%d", directory, processId, number);
}

std::wstring testDirectoryName(const wchar_t *directory, int processId, int number) {
    return formatString(L"%s\\plxtw%d%d", directory, processId, number);
}

template <typename Char>
bool testWritable(const Char *directory, TempSystem &system) {
    int number = system.pseudoRandomNumber();
    std::basic_string<Char> name = testDirectoryName(directory, system.processId(), number);
    system.removeDirectory(name.c_str());
    if (!system.createDirectory(name.c_str()))
        return false;
    bool found = system.pathExists(name.c_str());
    system.removeDirectory(name.c_str());
    return found;
}

// A decomposed sequence (a letter and a combining accent) folds into fewer
// characters; such a path would not survive the narrow round trip intact.
bool foldsToSameLength(const wchar_t *path, std::wstring *folded, TempSystem &system) {
    folded->clear();
    return system.foldPrecomposed(path, folded) && folded->size() == std::wstring(path).size();
}

// Both tests begin alike: a path at all, created on request, no "!" separator.
template <typename Char>
bool passesFirstChecks(const Char *path, bool create, bool *hasBang, TempSystem &system) {
    *hasBang = false;
    if (path[0] == 0)
        return false;
    if (create)
        system.createDirectory(path);
    if (hasBangSeparator(path)) {
        *hasBang = true;
        return false;
    }
    return true;
}

enum class Source { SystemTemp, UserProfileTemp, HomeDirectory, CommonAppDataTemp, WindowsTemp, CTemp, CTmp, WindowsDirectory };

template <typename Char>
bool environmentValue(const char *name, std::basic_string<Char> *value, TempSystem &system) {
    return system.environmentValue(ascii<Char>(name).c_str(), value) && !value->empty();
}

template <typename Char>
bool candidatePath(Source source, TempSystem &system, std::basic_string<Char> *path) {
    std::basic_string<Char> part;
    switch (source) {
    case Source::SystemTemp: return system.systemTempPath(path) && !path->empty();
    case Source::UserProfileTemp:
        if (!environmentValue("USERPROFILE", path, system))
            return false;
        *path += ascii<Char>("\\AppData\\Local\\Temp");
        return true;
    case Source::HomeDirectory:
        if (!environmentValue("HOMEDRIVE", path, system) || !environmentValue("HOMEPATH", &part, system))
            return false;
        *path += part;
        return true;
    case Source::CommonAppDataTemp:
        if (!system.commonAppDataFolder(path) || path->empty())
            return false;
        *path += ascii<Char>("\\zanthor");
        system.createDirectory(path->c_str());
        *path += ascii<Char>("\\temp");
        return true;
    case Source::WindowsTemp:
        if (!system.windowsDirectory(path) || path->empty())
            return false;
        *path += ascii<Char>("\\temp");
        return true;
    case Source::CTemp: *path = ascii<Char>("c:\\temp"); return true;
    case Source::CTmp: *path = ascii<Char>("c:\\tmp"); return true;
    case Source::WindowsDirectory: return system.windowsDirectory(path) && !path->empty();
    }
    return false;
}

struct Candidate {
    Source source;
    bool create;
    bool strict;  // the narrow test's strict flag and the wide test's check-long flag
    bool useLong;  // record 10009 applies
};

const Candidate kStrictPass[] = {
    {Source::SystemTemp, true, true, true},
    {Source::UserProfileTemp, false, true, true},
    {Source::HomeDirectory, false, true, true},
    {Source::CommonAppDataTemp, true, true, true},
    {Source::WindowsTemp, false, false, false},
    {Source::CTemp, false, false, false},
    {Source::CTmp, false, false, false},
    {Source::WindowsDirectory, false, false, false},
    {Source::CTmp, true, false, false},
};

// Tried again only when the strict pass saw no "!" separator in them.
const Candidate kRelaxedPass[] = {
    {Source::SystemTemp, true, false, true},
    {Source::UserProfileTemp, false, false, true},
    {Source::HomeDirectory, false, false, true},
};

// ASCII means the same in every narrow code page, so such a narrow path
// equal to the wide one names the same directory.
bool namesSameDirectory(const char *narrow, const std::wstring &wide) {
    for (const char *c = narrow; *c; c++)
        if (static_cast<unsigned char>(*c) >= 0x80)
            return false;
    return widenBytes(std::string(narrow)) == wide;
}

// Runs the narrow and then the wide test of one candidate; hasBang tells
// whether either saw a "!" separator.
bool acceptCandidate(const Candidate &candidate, bool useLong, TempSystem &system, TempRoots *roots, bool *hasBang) {
    *hasBang = false;
    std::string narrowSource;
    char narrow[kPathCapacity];
    // A path cut to fit would name another directory.
    if (!candidatePath(candidate.source, system, &narrowSource) || !copyText(narrow, kPathCapacity, narrowSource.c_str()))
        return false;
    bool longFormUnchanged;
    if (!testTempCandidateA(narrow, candidate.create, candidate.strict, candidate.useLong && useLong, hasBang, system,
                            &longFormUnchanged))
        return false;
    std::wstring wide;
    if (!candidatePath(candidate.source, system, &wide) || wide.size() >= kPathCapacity)
        return false;
    bool sameDirectory = namesSameDirectory(narrow, wide);
    // An ASCII path whose long form is itself has nothing the wide test could
    // still reject: no "!" (the narrow test looked), nothing to fold, and the
    // same long form. Asking the system again would only walk the path twice.
    bool wideAnswerKnown = sameDirectory && (!candidate.strict || longFormUnchanged);
    if (!wideAnswerKnown &&
        !testTempCandidate(wide.c_str(), candidate.create, candidate.strict, hasBang, system, sameDirectory))
        return false;
    roots->found = true;
    roots->narrow = narrow;
    roots->wide = wide;
    return true;
}

bool sawBangBefore(Source source, const Source *sources, const bool *bangs, size_t count) {
    for (size_t i = 0; i < count; i++)
        if (sources[i] == source && bangs[i])
            return true;
    return false;
}

}  // namespace

unsigned int pseudoRandomSeed(long long secondsSince1970, unsigned long processId) {
    return static_cast<unsigned int>(static_cast<unsigned long long>(secondsSince1970) * processId);
}

bool testWritableDirectoryA(const char *directory, TempSystem &system) { return testWritable(directory, system); }
bool testWritableDirectory(const wchar_t *directory, TempSystem &system) { return testWritable(directory, system); }

bool testTempCandidateA(char *path, bool create, bool strict, bool useLong, bool *hasBang, TempSystem &system,
                        bool *longFormUnchanged) {
    if (longFormUnchanged)
        *longFormUnchanged = false;
    if (!passesFirstChecks(path, create, hasBang, system))
        return false;
    std::string longForm;
    if ((strict || useLong) && system.longPath(path, &longForm)) {
        if (longFormUnchanged)
            *longFormUnchanged = longForm == path;
        if (hasBangSeparator(longForm.c_str())) {
            *hasBang = true;
            return false;
        }
        if (longForm.find('?') != std::string::npos) {
            // A name the narrow code page cannot hold; relaxed, the short form will do.
            if (strict)
                return false;
        } else if (useLong && longForm.size() < kPathCapacity && longForm != path) {
            logMessage("using long path %S", longForm.c_str());
            copyText(path, kPathCapacity, longForm.c_str());
        }
    }
    return testWritableDirectoryA(path, system);
}

bool testTempCandidate(const wchar_t *path, bool create, bool checkLong, bool *hasBang, TempSystem &system,
                       bool writableKnown) {
    if (!passesFirstChecks(path, create, hasBang, system))
        return false;
    std::wstring folded;
    if (!foldsToSameLength(path, &folded, system)) {
        logMessage("folding error %s %d %s %d", folded.c_str(), static_cast<int>(folded.size()), path,
                   static_cast<int>(std::wstring(path).size()));
        return false;
    }
    std::wstring longForm;
    // Without a long form (the directory may not exist) the path is tested as it is.
    if (checkLong && system.longPath(path, &longForm)) {
        if (hasBangSeparator(longForm.c_str())) {
            *hasBang = true;
            return false;
        }
        if (longForm.find(L'?') != std::wstring::npos)
            return false;
        if (!foldsToSameLength(longForm.c_str(), &folded, system)) {
            logMessage("folding error2 %s %d %s %d", folded.c_str(), static_cast<int>(folded.size()),
                       longForm.c_str(), static_cast<int>(longForm.size()));
            return false;
        }
    }
    return writableKnown || testWritableDirectory(path, system);
}

TempRoots searchTempRoot(TempSystem &system, bool useLong) {
    TempRoots roots;
    const size_t strictCount = sizeof kStrictPass / sizeof kStrictPass[0];
    Source sources[strictCount];
    bool bangs[strictCount];
    for (size_t i = 0; i < strictCount; i++) {
        sources[i] = kStrictPass[i].source;
        if (acceptCandidate(kStrictPass[i], useLong, system, &roots, &bangs[i]))
            return roots;
    }
    for (const Candidate &candidate : kRelaxedPass) {
        bool hasBang;
        if (!sawBangBefore(candidate.source, sources, bangs, strictCount) &&
            acceptCandidate(candidate, useLong, system, &roots, &hasBang))
            return roots;
    }
    return roots;
}
