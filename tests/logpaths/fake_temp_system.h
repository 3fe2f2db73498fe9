// A machine for the temporary-root search made of a table: existing
// directories, directories nothing can be created in, short names with their
// long forms, and the candidate sources. Narrow paths are the wide ones with
// every character above 0xFF shown as "?", as a code page would.
#ifndef PELLUX_TESTS_LOGPATHS_FAKE_TEMP_SYSTEM_H
#define PELLUX_TESTS_LOGPATHS_FAKE_TEMP_SYSTEM_H

#include <map>
#include <set>
#include <string>
#include <vector>

#include "paths/temp_root_rules.h"

class FakeTempSystem : public TempSystem {
public:
    std::set<std::wstring> directories;
    std::set<std::wstring> lockedDirectories;  // exist, but nothing can be created in them
    std::map<std::wstring, std::wstring> longNames;  // short prefix -> long prefix
    std::map<std::wstring, std::wstring> environment;
    std::wstring tempPath;
    std::wstring commonAppData;
    std::wstring windows;
    bool createdDirectoriesStayHidden = false;  // created, yet a search does not find them
    std::vector<std::wstring> createAttempts;
    int wideLongPathQueries = 0;
    int nextRandom = 7;

    // Adds the directory and every directory above it.
    void addDirectory(const std::wstring &path);
    // Directories whose name starts with the prefix, e.g. leftover test directories.
    std::vector<std::wstring> directoriesContaining(const std::wstring &part) const;
    int createAttemptsOf(const std::wstring &path) const;

    bool createDirectory(const char *path) override;
    bool createDirectory(const wchar_t *path) override;
    bool removeDirectory(const char *path) override;
    bool removeDirectory(const wchar_t *path) override;
    bool pathExists(const char *path) override;
    bool pathExists(const wchar_t *path) override;
    bool longPath(const char *path, std::string *longForm) override;
    bool longPath(const wchar_t *path, std::wstring *longForm) override;
    bool foldPrecomposed(const wchar_t *path, std::wstring *folded) override;
    int pseudoRandomNumber() override { return nextRandom++; }
    int processId() override { return 42; }
    bool systemTempPath(std::string *path) override;
    bool systemTempPath(std::wstring *path) override;
    bool environmentValue(const char *name, std::string *value) override;
    bool environmentValue(const wchar_t *name, std::wstring *value) override;
    bool commonAppDataFolder(std::string *path) override;
    bool commonAppDataFolder(std::wstring *path) override;
    bool windowsDirectory(std::string *path) override;
    bool windowsDirectory(std::wstring *path) override;

private:
    std::wstring resolve(const std::wstring &path) const;
    bool longFormOf(const wchar_t *path, std::wstring *longForm) const;
};

#endif
