#include "tests/instance/role_report.h"

#include <windows.h>

#include "tests/support/launcher_harness.h"

std::wstring testProgramPath() {
    wchar_t path[MAX_PATH * 4];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return length > 0 && length < MAX_PATH * 4 ? path : L"";
}

std::map<std::string, std::string> readRoleReport(const std::wstring &path) {
    std::map<std::string, std::string> report;
    std::string text = readFileBytes(path);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            report[line.substr(0, equals)] = line.substr(equals + 1);
        start = end + 1;
    }
    return report;
}

std::string instancePathOf(const std::wstring &program) {
    std::string path;
    for (wchar_t c : program)
        path.push_back(static_cast<char>(c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c));
    return path;
}

bool containsDirectory(const std::wstring &directory) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    do {
        std::wstring name = entry.cFileName;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            found = true;
    } while (!found && FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}
