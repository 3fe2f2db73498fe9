#include "paths/temp_dirs.h"

#include <windows.h>

#include <string>

#include "common/text.h"
#include "runtime/fatal.h"
#include "runtime/log.h"

char launcherTempDir[6000];

void getTempRoot(wchar_t *out, size_t capacity, bool fatal) {
    wchar_t path[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, path);
    if (length == 0 || length > MAX_PATH) {
        if (fatal)
            fatalMessageW(1015, nullptr);
        copyText(out, capacity, L"");
        return;
    }
    if (length > 3 && path[length - 1] == L'\\')
        path[length - 1] = 0;
    copyText(out, capacity, path);
}

void getTempRootA(char *out, size_t capacity) {
    char path[MAX_PATH + 1];
    DWORD length = GetTempPathA(MAX_PATH + 1, path);
    if (length == 0 || length > MAX_PATH)
        fatalMessageW(1015, nullptr);
    if (length > 3 && path[length - 1] == '\\')
        path[length - 1] = 0;
    copyText(out, capacity, path);
}

void createLauncherTempDir() {
    char root[6000];
    getTempRootA(root, sizeof root);
    for (int attempt = 0; attempt < 10; attempt++) {
        std::string path = std::string(root) + "\\plx" + std::to_string(GetCurrentProcessId()) + "_" +
                           std::to_string(GetTickCount() + attempt) + "_dir";
        logMessage(L"Temp dir3: %S", path.c_str());
        if (CreateDirectoryA(path.c_str(), nullptr)) {
            copyText(launcherTempDir, sizeof launcherTempDir, path.c_str());
            return;
        }
        logMessage(L"Could not create dir (%d)", static_cast<int>(GetLastError()));
    }
    launcherTempDir[0] = 0;
    fatalMessage(1009, "7");
}

void emptyDirectory(const char *path, int depth) {
    if (path[0] == 0 || path[0] == '.')
        return;
    logMessage(L"emptying %S", path);
    std::string directory = path;
    if (directory.back() != '\\')
        directory += '\\';
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((directory + "*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string child = directory + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            logMessage(L"attempting to remove %S (%d)", child.c_str(), depth);
            if (depth > 0)
                emptyDirectory(child.c_str(), depth - 1);
            RemoveDirectoryA(child.c_str());
        } else {
            logMessage(L"attempting to delete %S", child.c_str());
            DeleteFileA(child.c_str());
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}
