#include "writer/host_files.h"

#include <windows.h>

#include "common/win32_handles.h"

#include <cstdio>
#include <string>

namespace {

std::wstring wideOf(const std::string &text) {
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

std::string utf8Of(const std::wstring &text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                     nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &narrow[0], length, nullptr, nullptr);
    return narrow;
}

// Six characters that differ from call to call and from process to process.
std::string freshSuffix() {
    static unsigned counter;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    unsigned long long mixed = static_cast<unsigned long long>(now.QuadPart) * 2654435761u +
                               GetCurrentProcessId() * 40503u + ++counter * 2246822519u;
    const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix;
    for (int i = 0; i < 6; i++, mixed /= 36)
        suffix += digits[mixed % 36];
    return suffix;
}

std::string withFreshSuffix(const std::string &pattern) {
    return pattern.substr(0, pattern.size() - 6) + freshSuffix();
}

}  // namespace

std::string ownExecutableFolder() {
    std::wstring path(32768, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size())
        return std::string();
    path.resize(length);
    size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::string() : utf8Of(path.substr(0, separator));
}

bool writeFileAtomically(const std::string &path, const std::string &bytes) {
    for (int attempt = 0; attempt < 100; attempt++) {
        std::wstring temporary = wideOf(withFreshSuffix(path + ".partial-XXXXXX"));
        UniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            if (GetLastError() == ERROR_FILE_EXISTS)
                continue;
            return false;
        }
        bool written = true;
        for (size_t done = 0; written && done < bytes.size();) {
            DWORD chunk = static_cast<DWORD>(bytes.size() - done > (1u << 30) ? (1u << 30) : bytes.size() - done);
            DWORD wrote = 0;
            written = WriteFile(file.get(), bytes.data() + done, chunk, &wrote, nullptr) && wrote > 0;
            done += wrote;
        }
        file.reset();
        if (written && MoveFileExW(temporary.c_str(), wideOf(path).c_str(), MOVEFILE_REPLACE_EXISTING))
            return true;
        DeleteFileW(temporary.c_str());
        return false;
    }
    return false;
}

bool makeFreshDirectory(std::string *pattern) {
    for (int attempt = 0; attempt < 100; attempt++) {
        std::string name = withFreshSuffix(*pattern);
        if (CreateDirectoryW(wideOf(name).c_str(), nullptr)) {
            *pattern = name;
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

const char kHostSeparators[] = "/\\";

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

bool startsWithDrive(const std::string &path) {
    return path.size() >= 2 && path[1] == ':' && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

}  // namespace

bool isAbsoluteHostPath(const std::string &path) {
    if (startsWithDrive(path))
        return path.size() > 2 && isSeparator(path[2]);
    return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
}

std::string hostPathProblem(const std::string &path) {
    if (startsWithDrive(path) && !(path.size() > 2 && isSeparator(path[2])))
        return "\"" + path + "\" is relative to the current folder of drive " + path.substr(0, 2) + "; write " +
               path.substr(0, 2) + "\\" + path.substr(2) + " or a path without the drive";
    return std::string();
}

std::string programOnPath(const std::string &) { return std::string(); }

int runProgram(const std::vector<std::string> &, const std::string &, std::string *) { return -1; }
