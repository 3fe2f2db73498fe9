#include "tests/logpaths/fake_temp_system.h"

#include "common/text.h"

namespace {

// One spelling per directory: no doubled or trailing backslashes, lower case.
std::wstring normalised(const std::wstring &path) {
    std::wstring result;
    for (wchar_t c : path) {
        if (c == L'\\' && !result.empty() && result.back() == L'\\')
            continue;
        result.push_back(c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c);
    }
    while (result.size() > 2 && result.back() == L'\\')
        result.pop_back();
    return result;
}

std::wstring parentOf(const std::wstring &path) {
    size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool optional(bool available, const std::wstring &value, std::wstring *out) {
    if (!available || value.empty())
        return false;
    *out = value;
    return true;
}

bool narrowed(bool available, const std::wstring &wide, std::string *out) {
    if (!available)
        return false;
    *out = narrowBytes(wide);
    return true;
}

}  // namespace

void FakeTempSystem::addDirectory(const std::wstring &path) {
    for (std::wstring part = normalised(path); !part.empty(); part = parentOf(part))
        directories.insert(part);
}

std::vector<std::wstring> FakeTempSystem::directoriesContaining(const std::wstring &part) const {
    std::vector<std::wstring> found;
    for (const auto &directory : directories)
        if (directory.find(part) != std::wstring::npos)
            found.push_back(directory);
    return found;
}

int FakeTempSystem::createAttemptsOf(const std::wstring &path) const {
    int count = 0;
    for (const auto &attempt : createAttempts)
        count += normalised(attempt) == normalised(path) ? 1 : 0;
    return count;
}

// Short names stand for their long forms.
std::wstring FakeTempSystem::resolve(const std::wstring &path) const {
    std::wstring result = normalised(path);
    for (const auto &name : longNames) {
        std::wstring shortName = normalised(name.first);
        if (result.compare(0, shortName.size(), shortName) == 0)
            result = normalised(name.second) + result.substr(shortName.size());
    }
    return result;
}

bool FakeTempSystem::createDirectory(const wchar_t *path) {
    createAttempts.push_back(path);
    std::wstring resolved = resolve(path);
    std::wstring parent = parentOf(resolved);
    if (resolved.find(L'?') != std::wstring::npos || directories.count(resolved) || !directories.count(parent) ||
        lockedDirectories.count(parent))
        return false;
    directories.insert(resolved);
    return true;
}

bool FakeTempSystem::createDirectory(const char *path) { return createDirectory(widenBytes(path).c_str()); }

bool FakeTempSystem::removeDirectory(const wchar_t *path) { return directories.erase(resolve(path)) > 0; }
bool FakeTempSystem::removeDirectory(const char *path) { return removeDirectory(widenBytes(path).c_str()); }

bool FakeTempSystem::pathExists(const wchar_t *path) {
    std::wstring resolved = resolve(path);
    return directories.count(resolved) && !(createdDirectoriesStayHidden && resolved.find(L"plxtw") != std::wstring::npos);
}

bool FakeTempSystem::pathExists(const char *path) { return pathExists(widenBytes(path).c_str()); }

bool FakeTempSystem::longPath(const wchar_t *path, std::wstring *longForm) {
    wideLongPathQueries++;
    return longFormOf(path, longForm);
}

bool FakeTempSystem::longFormOf(const wchar_t *path, std::wstring *longForm) const {
    if (!directories.count(resolve(path)))
        return false;
    std::wstring result = path;
    for (const auto &name : longNames)
        if (result.compare(0, name.first.size(), name.first) == 0)
            result = name.second + result.substr(name.first.size());
    *longForm = result;
    return true;
}

bool FakeTempSystem::longPath(const char *path, std::string *longForm) {
    std::wstring wide;
    return narrowed(longFormOf(widenBytes(path).c_str(), &wide), wide, longForm);
}

// A combining accent joins the letter before it.
bool FakeTempSystem::foldPrecomposed(const wchar_t *path, std::wstring *folded) {
    for (const wchar_t *p = path; *p; p++)
        if (*p < 0x300 || *p > 0x36F)
            folded->push_back(*p);
    return true;
}

bool FakeTempSystem::systemTempPath(std::wstring *path) { return optional(true, tempPath, path); }
bool FakeTempSystem::systemTempPath(std::string *path) { return narrowed(!tempPath.empty(), tempPath, path); }

bool FakeTempSystem::environmentValue(const wchar_t *name, std::wstring *value) {
    auto found = environment.find(name);
    return optional(found != environment.end(), found != environment.end() ? found->second : L"", value);
}

bool FakeTempSystem::environmentValue(const char *name, std::string *value) {
    std::wstring wide;
    return narrowed(environmentValue(widenBytes(name).c_str(), &wide), wide, value);
}

bool FakeTempSystem::commonAppDataFolder(std::wstring *path) { return optional(true, commonAppData, path); }
bool FakeTempSystem::commonAppDataFolder(std::string *path) { return narrowed(!commonAppData.empty(), commonAppData, path); }
bool FakeTempSystem::windowsDirectory(std::wstring *path) { return optional(true, windows, path); }
bool FakeTempSystem::windowsDirectory(std::string *path) { return narrowed(!windows.empty(), windows, path); }
