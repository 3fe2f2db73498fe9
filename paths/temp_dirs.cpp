#include "paths/temp_dirs.h"

#include <windows.h>
#include <ntsecapi.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "common/format.h"
#include "common/private_security.h"
#include "common/text.h"
#include "common/win32_handles.h"
#include "diagnostics/log.h"
#include "paths/path_utils.h"

const char kWorkerTempDirVariable[] = "PELLUX_WORKER_TEMP_DIR";

namespace {

const int kCommonAppData = 35;  // CSIDL_COMMON_APPDATA

typedef HRESULT(WINAPI *FolderPathA)(HWND, int, HANDLE, DWORD, char *);
typedef HRESULT(WINAPI *FolderPathW)(HWND, int, HANDLE, DWORD, wchar_t *);

// Older systems lack the shell folder functions; they are looked up when
// needed, and shell32 (once loaded it stays) costs no start that needs none.
HMODULE shellLibrary() { return LoadLibraryW(L"shell32.dll"); }

void *shellFunction(const char *name) {
    HMODULE library = shellLibrary();
    return library ? reinterpret_cast<void *>(GetProcAddress(library, name)) : nullptr;
}

// A length result of a Win32 call that fills a buffer: usable when the text
// fitted.
bool filled(DWORD length, size_t capacity) { return length > 0 && length < capacity; }

template <typename Char>
bool assign(std::basic_string<Char> *out, const Char *text, DWORD length, size_t capacity) {
    if (!filled(length, capacity))
        return false;
    *out = text;
    return true;
}

template <typename Function, typename Char>
bool commonAppData(const char *functionName, std::basic_string<Char> *path) {
    Function folderPath = reinterpret_cast<Function>(shellFunction(functionName));
    Char buffer[MAX_PATH + 1] = {};
    if (!folderPath || folderPath(nullptr, kCommonAppData, nullptr, 0, buffer) != S_OK)
        return false;
    *path = buffer;
    return true;
}

// Narrow members call the narrow functions themselves (see TempSystem).
class WindowsTempSystem : public TempSystem {
public:
    bool createDirectory(const char *path) override { return CreateDirectoryA(path, nullptr) != 0; }
    bool createDirectory(const wchar_t *path) override { return CreateDirectoryW(path, nullptr) != 0; }
    bool removeDirectory(const char *path) override { return RemoveDirectoryA(path) != 0; }
    bool removeDirectory(const wchar_t *path) override { return RemoveDirectoryW(path) != 0; }
    bool pathExists(const char *path) override { return ::pathExists(path); }
    bool pathExists(const wchar_t *path) override { return ::pathExists(path); }

    bool longPath(const char *path, std::string *longForm) override {
        char buffer[kPathCapacity];
        return assign(longForm, buffer, GetLongPathNameA(path, buffer, kPathCapacity), kPathCapacity);
    }
    bool longPath(const wchar_t *path, std::wstring *longForm) override {
        wchar_t buffer[kPathCapacity];
        return assign(longForm, buffer, GetLongPathNameW(path, buffer, kPathCapacity), kPathCapacity);
    }
    bool foldPrecomposed(const wchar_t *path, std::wstring *folded) override {
        wchar_t buffer[kPathCapacity - 1];
        int length = FoldStringW(MAP_PRECOMPOSED, path, -1, buffer, kPathCapacity - 1);
        if (length <= 0)
            return false;
        *folded = buffer;
        return true;
    }
    // Names from the time and the process id repeat within a second, and a
    // user who guesses them can take them all first.
    int pseudoRandomNumber() override {
        uint32_t value = 0;
        if (RtlGenRandom(&value, sizeof value))
            return static_cast<int>(value & 0x7fffffff);
        srand(pseudoRandomSeed(static_cast<long long>(time(nullptr)), GetCurrentProcessId()));
        return rand();
    }
    int processId() override { return static_cast<int>(GetCurrentProcessId()); }

    bool systemTempPath(std::string *path) override {
        char buffer[kPathCapacity];
        return assign(path, buffer, GetTempPathA(kPathCapacity, buffer), kPathCapacity);
    }
    bool systemTempPath(std::wstring *path) override {
        wchar_t buffer[kPathCapacity];
        return assign(path, buffer, GetTempPathW(kPathCapacity, buffer), kPathCapacity);
    }
    bool environmentValue(const char *name, std::string *value) override {
        char buffer[kPathCapacity];
        return assign(value, buffer, GetEnvironmentVariableA(name, buffer, kPathCapacity), kPathCapacity);
    }
    bool environmentValue(const wchar_t *name, std::wstring *value) override {
        wchar_t buffer[kPathCapacity];
        return assign(value, buffer, GetEnvironmentVariableW(name, buffer, kPathCapacity), kPathCapacity);
    }
    bool commonAppDataFolder(std::string *path) override {
        return commonAppData<FolderPathA>("SHGetFolderPathA", path);
    }
    bool commonAppDataFolder(std::wstring *path) override {
        return commonAppData<FolderPathW>("SHGetFolderPathW", path);
    }
    bool windowsDirectory(std::string *path) override {
        char buffer[kPathCapacity];
        return assign(path, buffer, GetWindowsDirectoryA(buffer, kPathCapacity), kPathCapacity);
    }
    bool windowsDirectory(std::wstring *path) override {
        wchar_t buffer[kPathCapacity];
        return assign(path, buffer, GetWindowsDirectoryW(buffer, kPathCapacity), kPathCapacity);
    }
};

// A name directly inside the directory, compared without regard to case.
bool isDirectChild(const char *directory, const char *path) {
    std::string parent = withTrailingSeparator(directory);
    if (strlen(path) <= parent.size() || _strnicmp(path, parent.c_str(), parent.size()) != 0)
        return false;
    const char *name = path + parent.size();
    return strpbrk(name, "\\/") == nullptr && strcmp(name, ".") != 0 && strcmp(name, "..") != 0;
}

bool isReparsePoint(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The temporary root as chosen for the process. Process-wide like the log,
// which asks for it before the configuration is read.
struct TempRootChoice {
    TempRoots roots;
    bool foundWithLongPaths = false;
    bool longPathsRequested = false;
};
TempRootChoice chosenRoot;

void ensureTempRoot() {
    // The log's first line searches before the configuration is read; a root
    // found then did not know yet that the configuration asks for long paths.
    if (!chosenRoot.roots.found || (!chosenRoot.foundWithLongPaths && chosenRoot.longPathsRequested))
        findTempRoot();
}

}  // namespace

TempSystem &windowsTempSystem() {
    static WindowsTempSystem system;
    return system;
}

void requestLongTempPaths(bool requested) { chosenRoot.longPathsRequested = requested; }

void findTempRoot() {
    bool useLong = chosenRoot.longPathsRequested;
    chosenRoot.roots = searchTempRoot(windowsTempSystem(), useLong);
    chosenRoot.foundWithLongPaths = useLong;
}

bool getTempRoot(wchar_t *out, size_t capacity) {
    ensureTempRoot();
    copyText(out, capacity, chosenRoot.roots.found ? chosenRoot.roots.wide.c_str() : L"");
    return chosenRoot.roots.found;
}

bool getTempRootA(char *out, size_t capacity) {
    ensureTempRoot();
    copyText(out, capacity, chosenRoot.roots.found ? chosenRoot.roots.narrow.c_str() : "");
    return chosenRoot.roots.found;
}

// Narrow from here on: the launcher's temporary directory reaches the VM as a narrow property.
bool makeTempFileName(char *out, size_t capacity, bool &reserved) {
    reserved = false;
    char root[kPathCapacity];
    if (!getTempRootA(root, kPathCapacity))
        return false;
    logMessage("tempPath is %S", root);
    char name[kPathCapacity];
    if (GetTempFileNameA(root, "plx", 0, name) == 0) {
        logMessage("GetTempFileName failed (last error %d)", static_cast<int>(GetLastError()));
        formatText(name, kPathCapacity, "%splx%d", withTrailingSeparator(root).c_str(),
                   windowsTempSystem().pseudoRandomNumber());
    } else {
        reserved = true;
    }
    logMessage("tempFile is %S", name);
    copyText(out, capacity, name);
    return true;
}

TempDirResult createLauncherTempDir(LauncherTempDir &dir) {
    // The root may let other users create files; what lands in this directory
    // goes onto the class path, so only the owner and administrators may
    // write there. Creation fails on any existing name, a planted link included.
    PrivateSecurity security(FILE_ALL_ACCESS, 0);
    if (!security.attributes()) {
        logError("no private ACL for the directory (%d)", static_cast<int>(GetLastError()));
        dir = LauncherTempDir();
        return TempDirResult::NotCreated;
    }
    for (int attempt = 0; attempt < 10; attempt++) {
        char file[kPathCapacity];
        bool reserved = false;
        if (!makeTempFileName(file, kPathCapacity, reserved))
            return TempDirResult::NoTempRoot;
        char directory[kPathCapacity];
        size_t length = formatText(directory, kPathCapacity, "%s_dir%d", file,
                                   static_cast<int>(static_cast<uint32_t>(time(nullptr))));
        logMessage("Temp dir3: %S", directory);
        // A cut name would be another directory than the one logged.
        if (length < kPathCapacity && CreateDirectoryA(directory, security.attributes())) {
            dir.path = directory;
            dir.reservedFile = reserved ? file : "";
            return TempDirResult::Created;
        }
        if (reserved)
            DeleteFileA(file);
        logMessage("Could not create dir (%d)",
                   static_cast<int>(length < kPathCapacity ? GetLastError() : ERROR_FILENAME_EXCED_RANGE));
    }
    dir = LauncherTempDir();
    return TempDirResult::NotCreated;
}

void removeLauncherTempDir(LauncherTempDir &dir) {
    if (dir.path.empty())
        return;
    const char *path = dir.path.c_str();
    if (!isReparsePoint(GetFileAttributesA(path)))
        emptyDirectory(path, 1);
    RemoveDirectoryA(path);
    // The reserved name keeps the directory's name unique while it exists;
    // once it is gone the empty file would only pile up.
    if (!dir.reservedFile.empty() && GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        DeleteFileA(dir.reservedFile.c_str());
    dir = LauncherTempDir();
}

void removeLauncherTempDirAtFatalExit(void *dir) { removeLauncherTempDir(*static_cast<LauncherTempDir *>(dir)); }

namespace {

bool ownerIsThisUserOrTrusted(PSID owner) {
    if (owner == nullptr)
        return false;
    for (WELL_KNOWN_SID_TYPE trusted : {WinLocalSystemSid, WinBuiltinAdministratorsSid}) {
        unsigned char sid[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof sid;
        if (CreateWellKnownSid(trusted, nullptr, sid, &size) && EqualSid(owner, sid))
            return true;
    }
    UniqueHandle token;
    union {
        TOKEN_USER user;
        unsigned char bytes[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
    } answer;
    DWORD needed = 0;
    return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive()) &&
           GetTokenInformation(token.get(), TokenUser, &answer, sizeof answer, &needed) &&
           EqualSid(owner, answer.user.User.Sid);
}

// What createLauncherTempDir makes: owned by this account (or SYSTEM, the
// administrators), and no one else named in its DACL.
bool isPrivateDirectory(const char *path) {
    union {
        SECURITY_DESCRIPTOR descriptor;
        unsigned char bytes[4096];
    } security;
    DWORD needed = 0;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!GetFileSecurityA(path, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &security, sizeof security,
                          &needed) ||
        !GetSecurityDescriptorOwner(&security, &owner, &defaulted) || !ownerIsThisUserOrTrusted(owner) ||
        !GetSecurityDescriptorDacl(&security, &present, &dacl, &defaulted) || !present || dacl == nullptr)
        return false;
    for (DWORD i = 0; i < dacl->AceCount; i++) {
        ACCESS_ALLOWED_ACE *entry = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void **>(&entry)))
            return false;
        if (entry->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && !ownerIsThisUserOrTrusted(&entry->SidStart))
            return false;
    }
    return true;
}

}  // namespace

bool adoptWorkerTempDir(LauncherTempDir &dir) {
    char path[kPathCapacity];
    DWORD length = GetEnvironmentVariableA(kWorkerTempDirVariable, path, kPathCapacity);
    if (length == 0 || length >= kPathCapacity)
        return false;
    SetEnvironmentVariableA(kWorkerTempDirVariable, nullptr);  // not for the VM's own children
    char root[kPathCapacity];
    DWORD attributes = GetFileAttributesA(path);
    bool usable = getTempRootA(root, kPathCapacity) && isDirectChild(root, path) &&
                  attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                  !isReparsePoint(attributes) && isPrivateDirectory(path);
    if (!usable) {
        logError("not using the temporary directory from the service host: %S", path);
        return false;
    }
    logMessage("Temp dir from the service host: %S", path);
    dir.path = path;
    dir.reservedFile.clear();
    return true;
}

void emptyDirectory(const char *path, int depth) {
    if (path[0] == 0 || path[0] == '.')
        return;
    logMessage("emptying %S", path);
    std::string directory = path;
    if (directory.back() != '\\')
        directory += '\\';
    WIN32_FIND_DATAA entry;
    FindHandle search(FindFirstFileA((directory + "*.*").c_str(), &entry));
    if (!search)
        return;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string child = directory + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            logMessage("attempting to remove %S (%d)", child.c_str(), depth);
            // A junction or link is removed itself; what it points at is not ours.
            if (depth > 0 && !isReparsePoint(entry.dwFileAttributes))
                emptyDirectory(child.c_str(), depth - 1);
            RemoveDirectoryA(child.c_str());
        } else {
            logMessage("attempting to delete %S", child.c_str());
            DeleteFileA(child.c_str());
        }
    } while (FindNextFileA(search.get(), &entry));
}
