#include "bridge/unix_paths.h"

#include <windows.h>

#include <set>

#include "bridge/spawn_plan.h"
#include "bridge/win_text.h"

typedef char *(CDECL *WineGetUnixFileName)(const WCHAR *dosPath);

// Links seen by this process; the list only grows and is tiny.
static std::set<std::string> driveLinks;

// Wine's own answer, or empty when it has none (for instance when a parent
// directory does not exist).
static std::string wineUnixFileName(const std::wstring &path) {
    static WineGetUnixFileName convert = reinterpret_cast<WineGetUnixFileName>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr)
        return std::string();
    char *unixPath = convert(path.c_str());
    if (unixPath == nullptr)
        return std::string();
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

static std::wstring fullPathOf(const std::wstring &path) {
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::wstring full(size, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
    if (length == 0 || length >= size)
        return path;
    full.resize(length);
    return full;
}

static bool isDriveRoot(const std::wstring &path) {
    return path.size() == 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
}

static std::string withUnixSeparators(const std::wstring &tail) {
    std::string unix = utf8FromWide(tail);
    for (char &c : unix)
        if (c == '\\')
            c = '/';
    return unix;
}

std::string toUnixPath(const std::string &windowsPath) {
    if (windowsPath.empty())
        return windowsPath;
    std::wstring head = fullPathOf(wideFromUtf8(windowsPath));
    bool drivePath = head.size() >= 3 && head[1] == L':';
    std::wstring tail;  // the parts Wine could not map yet, "\name" each
    while (!head.empty()) {
        std::string unixPath = wineUnixFileName(head);
        if (!unixPath.empty()) {
            if (!tail.empty() && unixPath.back() == '/')
                unixPath.pop_back();
            unixPath += withUnixSeparators(tail);
            std::string link = dosDeviceLinkOf(unixPath);
            if (!link.empty())
                driveLinks.insert(link);
            return unixPath;
        }
        size_t cut = head.find_last_of(L"\\/");
        if (!drivePath || cut == std::wstring::npos || isDriveRoot(head))
            break;
        if (cut + 1 == head.size()) {
            head.pop_back();
            continue;
        }
        tail = head.substr(cut) + tail;
        head.resize(cut);
        if (head.size() == 2)
            head += L'\\';
    }
    return windowsPath;
}

std::vector<std::string> usedDriveLinks() { return std::vector<std::string>(driveLinks.begin(), driveLinks.end()); }
