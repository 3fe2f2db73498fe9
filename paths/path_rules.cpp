#include "paths/path_rules.h"

#include <cwchar>

template <typename Char>
static size_t textLength(const Char *text) {
    size_t length = 0;
    while (text[length])
        length++;
    return length;
}

template <typename Char>
static bool isRelative(const Char *path) {
    if (path[0] == '"')
        path++;
    if (textLength(path) < 3)
        return true;
    if (path[1] == ':' && path[2] == '\\')
        return false;
    return !(path[0] == '\\' && path[1] == '\\');
}

bool isRelativePath(const char *path) { return isRelative(path); }
bool isRelativePath(const wchar_t *path) { return isRelative(path); }

template <typename Char>
static bool isRoot(const Char *path) {
    if (path[0] == 0 || path[1] != ':' || path[2] != '\\')
        return false;
    const Char *rest = path + 3;
    return rest[0] == 0 || (rest[0] == '.' && (rest[1] == 0 || (rest[1] == '\\' && rest[2] == '.' && rest[3] == 0)));
}

bool isDriveRoot(const char *path) { return isRoot(path); }
bool isDriveRoot(const wchar_t *path) { return isRoot(path); }

void collapseBackslashes(wchar_t *path) {
    if (path[0] == 0 || path[1] == 0)
        return;
    size_t kept = 2;
    for (size_t i = 2; path[i]; i++) {
        if (path[i] == L'\\' && path[kept - 1] == L'\\')
            continue;
        path[kept++] = path[i];
    }
    path[kept] = 0;
}

void lowercasePath(wchar_t *path) {
    for (; *path; path++)
        if (*path >= L'A' && *path <= L'Z')
            *path = static_cast<wchar_t>(*path - L'A' + L'a');
}

bool hasExeExtension(const char *path) {
    size_t length = textLength(path);
    if (length < 5)
        return false;
    const char *extension = path + length - 4;
    const char expected[] = ".exe";
    for (int i = 0; i < 4; i++) {
        char c = extension[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != expected[i])
            return false;
    }
    return true;
}

template <typename Char>
static bool hasBang(const Char *path) {
    if (!path)
        return false;
    for (size_t i = 0; path[i]; i++)
        if (path[i] == '!' && (path[i + 1] == '\\' || path[i + 1] == 0))
            return true;
    return false;
}

bool hasBangSeparator(const char *path) { return hasBang(path); }
bool hasBangSeparator(const wchar_t *path) { return hasBang(path); }

template <typename Char>
static size_t directoryPart(const Char *path) {
    size_t length = 0;
    for (size_t i = 0; path[i]; i++)
        if (path[i] == '\\')
            length = i + 1;
    return length;
}

size_t directoryPartLength(const wchar_t *path) { return directoryPart(path); }
size_t directoryPartLength(const char *path) { return directoryPart(path); }

template <typename Char>
static std::basic_string<Char> withSeparator(std::basic_string<Char> path) {
    if (path.empty() || (path.back() != '\\' && path.back() != '/'))
        path += Char('\\');
    return path;
}

std::string withTrailingSeparator(const std::string &path) { return withSeparator(path); }
std::wstring withTrailingSeparator(const std::wstring &path) { return withSeparator(path); }

std::string shortPathFromCommandOutput(const std::string &output, unsigned long exitCode) {
    if (exitCode != 0 || output.size() <= 5)
        return std::string();
    size_t lineEnd = output.find_first_of("\r\n");
    return lineEnd == std::string::npos ? std::string() : output.substr(0, lineEnd);
}
