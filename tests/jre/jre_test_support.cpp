#include "tests/jre/jre_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "diagnostics/log.h"
#include "paths/path_utils.h"
#include "standins/standin_files.h"
#include "standins/standin_record.h"
#include "tests/support/launcher_harness.h"

namespace {

std::wstring readLogFile() {
    const wchar_t *path = getLogFilePath();
    if (!path)
        return std::wstring();
    std::string bytes;
    readFileBytes(path, bytes);
    return utf8ToWide(bytes);
}

std::string moduleDirectory() {
    char path[MAX_PATH * 4];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string directory(path, length);
    return directory.substr(0, directory.rfind('\\'));
}

}  // namespace

LogTail::LogTail() {
    logMessage(L"-- test start --");
    start_ = readLogFile().size();
}

std::wstring LogTail::text() const {
    std::wstring all = readLogFile();
    return start_ < all.size() ? all.substr(start_) : std::wstring();
}

size_t LogTail::find(const std::wstring &line, size_t from) const {
    std::wstring all = text();
    size_t pos = all.find(L"] " + line + L"\r\n", from);
    return pos;
}

bool LogTail::hasLine(const std::wstring &line) const { return find(line) != std::wstring::npos; }

int LogTail::count(const std::wstring &line) const {
    int found = 0;
    for (size_t pos = find(line); pos != std::wstring::npos; pos = find(line, pos + 1))
        found++;
    return found;
}


std::vector<std::string> loaderCandidates;
std::vector<std::string> loadingPaths;

HMODULE recordingLoader(const Settings &, RuntimeLocation &, const char *javaExecutable) {
    loaderCandidates.push_back(javaExecutable);
    for (const std::string &text : loadingPaths) {
        if (std::string(javaExecutable).find(text) != std::string::npos)
            return GetModuleHandleW(nullptr);
    }
    return nullptr;
}

void resetRecordingLoader(std::vector<std::string> loading) {
    loaderCandidates.clear();
    loadingPaths = loading;
}

OwnedKeys::~OwnedKeys() {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it)
        RegDeleteKeyExA(it->root, it->path.c_str(), it->view, 0);
}

bool OwnedKeys::create(HKEY root, const std::string &path, REGSAM view) {
    for (size_t end = 0; end != std::string::npos;) {
        end = path.find('\\', end + 1);
        std::string level = path.substr(0, end);
        HKEY key;
        DWORD disposition = 0;
        if (RegCreateKeyExA(root, level.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | view, nullptr,
                            &key, &disposition) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        if (disposition == REG_CREATED_NEW_KEY)
            created_.push_back(Created{root, level, view});
    }
    return true;
}

bool OwnedKeys::setText(HKEY root, const std::string &path, const char *name, const std::string &value, REGSAM view) {
    if (!create(root, path, view))
        return false;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE | view, &key) != ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

HomesDirectory::HomesDirectory() {
    static int counter = 0;
    name_ = "jre-homes-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    path_ = moduleDirectory() + "\\" + name_;
    removeDirectoryTree(wide(path_));
    createDirectories(wide(path_));
}

HomesDirectory::~HomesDirectory() {
    removeCacheRecordsBelow(path_);
    removeDirectoryTree(wide(path_));
}

std::string HomesDirectory::path(const std::string &name) const { return name.empty() ? path_ : path_ + "\\" + name; }
std::string HomesDirectory::relative(const std::string &name) const { return ".\\" + name_ + "\\" + name; }

RuntimeHome HomesDirectory::layOut(const std::string &name, const RuntimeHomeLayout &layout) const {
    RuntimeHome home;
    std::string error;
    if (!layOutRuntimeHome(wide(path(name)), layout, home, error))
        ADD_FAILURE() << "laying out " << name << ": " << error;
    return home;
}

std::string normalised(const std::wstring &path) {
    char full[6000];
    getFullPath(full, sizeof full, narrow(path).c_str(), false);
    return full;
}

std::string narrow(const std::wstring &text) { return toNarrowPath(text.c_str()); }
std::wstring wide(const std::string &text) { return toWidePath(text.c_str()); }

void removeCacheRecordsBelow(const std::string &directory) { removeVersionCacheRecordsBelow(wide(directory)); }

size_t javaRunCount(const RuntimeHome &home) { return readJavaRuns(home.javaRuns).size(); }

bool touchFile(const std::wstring &path) {
    HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    FILETIME created, accessed, written;
    GetFileTime(file, &created, &accessed, &written);
    ULARGE_INTEGER time;
    time.LowPart = written.dwLowDateTime;
    time.HighPart = written.dwHighDateTime;
    time.QuadPart += 10000000;
    written.dwLowDateTime = time.LowPart;
    written.dwHighDateTime = time.HighPart;
    BOOL set = SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    return set != FALSE;
}
