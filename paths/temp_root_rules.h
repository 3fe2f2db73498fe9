// Choosing the temporary root: the candidate directories, the tests each must
// pass in narrow and wide form, and the strict and relaxed passes. The system
// is reached only through TempSystem, so the rules also run natively.
#ifndef PELLUX_PATHS_TEMP_ROOT_RULES_H
#define PELLUX_PATHS_TEMP_ROOT_RULES_H

#include <cstddef>
#include <string>

#include "common/capacities.h"

// What the search asks of the machine. Every query answers false when the
// source is unavailable (unset variable, failing call). Queries come narrow
// and wide: the narrow root must pass the system's narrow calls themselves,
// with their code page and length limits, not a conversion of the wide one.
class TempSystem {
public:
    virtual bool createDirectory(const char *path) = 0;
    virtual bool createDirectory(const wchar_t *path) = 0;
    virtual bool removeDirectory(const char *path) = 0;
    virtual bool removeDirectory(const wchar_t *path) = 0;
    virtual bool pathExists(const char *path) = 0;
    virtual bool pathExists(const wchar_t *path) = 0;
    virtual bool longPath(const char *path, std::string *longForm) = 0;
    virtual bool longPath(const wchar_t *path, std::wstring *longForm) = 0;
    // The precomposed-character mapping, at most 5,999 characters.
    virtual bool foldPrecomposed(const wchar_t *path, std::wstring *folded) = 0;
    // The generator re-seeded from the time and the process id, one number drawn.
    virtual int pseudoRandomNumber() = 0;
    virtual int processId() = 0;

    virtual bool systemTempPath(std::string *path) = 0;
    virtual bool systemTempPath(std::wstring *path) = 0;
    virtual bool environmentValue(const char *name, std::string *value) = 0;
    virtual bool environmentValue(const wchar_t *name, std::wstring *value) = 0;
    virtual bool commonAppDataFolder(std::string *path) = 0;
    virtual bool commonAppDataFolder(std::wstring *path) = 0;
    virtual bool windowsDirectory(std::string *path) = 0;
    virtual bool windowsDirectory(std::wstring *path) = 0;

protected:
    ~TempSystem() = default;
};

// Seed of the launcher's pseudo-random numbers: seconds since 1970 times the
// process id, both cut to 32 bits.
unsigned int pseudoRandomSeed(long long secondsSince1970, unsigned long processId);

// True when a fresh test subdirectory can be created in the directory and is
// then found; the subdirectory is removed again either way.
bool testWritableDirectoryA(const char *directory, TempSystem &system);
bool testWritableDirectory(const wchar_t *directory, TempSystem &system);

// path holds at most kPathCapacity characters and may be replaced by its
// long form (useLong). hasBang reports a "!" separator in the path or its long form;
// longFormUnchanged, that the long form was found and is the path as given.
bool testTempCandidateA(char *path, bool create, bool strict, bool useLong, bool *hasBang, TempSystem &system,
                        bool *longFormUnchanged = nullptr);
// writableKnown: the narrow test has just probed this very directory, so it
// is not probed again.
bool testTempCandidate(const wchar_t *path, bool create, bool checkLong, bool *hasBang, TempSystem &system,
                       bool writableKnown = false);

struct TempRoots {
    bool found = false;
    std::string narrow;
    std::wstring wide;
};

// The twelve candidates in their two passes; the first one whose narrow and
// then wide test pass is the root.
TempRoots searchTempRoot(TempSystem &system, bool useLong);

#endif
