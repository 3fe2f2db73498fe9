#include "service/stop_report.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "common/records.h"
#include "common/text.h"
#include "common/win32_handles.h"
#include "diagnostics/log.h"
#include "paths/path_utils.h"
#include "service/readiness_rules.h"

namespace {

std::wstring widened(const std::string &text) { return std::wstring(text.begin(), text.end()); }

bool isAbsolute(const std::wstring &path) {
    return (path.size() >= 2 && path[1] == L':') || (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\');
}

std::vector<std::string> reportNames(const std::wstring &folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileW((folder + L"\\stop-report-*.txt").c_str(), &found));
    if (!search)
        return names;
    do {
        std::string name;
        for (const wchar_t *c = found.cFileName; *c; c++)
            name += *c < 0x80 ? static_cast<char>(*c) : '?';
        names.push_back(name);
    } while (FindNextFileW(search.get(), &found));
    return names;
}

// Each folder of the path, as the redirected output makes them.
void createFolders(const std::wstring &folder) {
    for (size_t at = folder.find(L'\\', 3); at != std::wstring::npos; at = folder.find(L'\\', at + 1))
        CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
}

}  // namespace

std::wstring stopReportFolderPath(const Settings &settings) {
    std::string output = settings.flag(record::kRedirectOutput) ? settings.text(record::kOutputFile) : std::string();
    std::wstring folder = widened(stopReportFolder(output));
    for (wchar_t &c : folder)
        if (c == L'/')
            c = L'\\';
    if (isAbsolute(folder))
        return folder;
    std::wstring executable = getExecutablePath();
    return executable.substr(0, executable.find_last_of(L'\\')) + L"\\" + folder;
}

bool writeStopReport(const std::wstring &folder, const std::string &text) {
    createFolders(folder);
    SYSTEMTIME now;
    GetLocalTime(&now);
    ReportTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    std::wstring path = folder + L"\\" + widened(stopReportName(time));
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    bool wrote = file && WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                 written == text.size();
    if (!wrote) {
        logError("could not write the stop report %s (%d)", path.c_str(), static_cast<int>(GetLastError()));
        return false;
    }
    file.reset();
    logMessage("stop report written to %s", path.c_str());
    for (const std::string &old : stopReportsToRemove(reportNames(folder), kStopReportsKept))
        DeleteFileW((folder + L"\\" + widened(old)).c_str());
    return true;
}

std::wstring latestStopReport(const std::wstring &folder) {
    std::vector<std::string> names = reportNames(folder);
    auto other = [](const std::string &name) { return !isStopReportName(name); };
    names.erase(std::remove_if(names.begin(), names.end(), other), names.end());
    if (names.empty())
        return std::wstring();
    return folder + L"\\" + widened(*std::max_element(names.begin(), names.end()));
}
