#include "tests/support/launcher_harness.h"

#include <algorithm>
#include <cctype>
#include <map>

std::wstring windowsPathOf(const char *unixPath) {
    std::wstring path = L"Z:";
    for (const char *p = unixPath; *p; p++)
        path.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    return path;
}

std::wstring launcherStubPath() { return windowsPathOf(PELLUX_LAUNCHER_STUB); }

std::string readFileBytes(const std::wstring &path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD count;
    while (ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0)
        bytes.append(buffer, count);
    CloseHandle(file);
    return bytes;
}

std::wstring readUtf8File(const std::wstring &path) {
    std::string bytes = readFileBytes(path);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    if (bytes.empty())
        return std::wstring();
    int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], size);
    return text;
}

bool fileExists(const std::wstring &path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void removeTree(const std::wstring &path) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

ScratchDirectory::ScratchDirectory() {
    wchar_t base[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, base);
    static LONG counter;
    for (;;) {
        path_ = std::wstring(base) + L"pellux-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(InterlockedIncrement(&counter));
        if (CreateDirectoryW(path_.c_str(), nullptr))
            return;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return;
    }
}

ScratchDirectory::~ScratchDirectory() { removeTree(path_); }

std::wstring makeConfiguredLauncher(const std::wstring &directory, const std::wstring &name,
                                    const BlockContent &content) {
    std::string launcher, error;
    if (!buildConfiguredLauncher(readFileBytes(launcherStubPath()), content, &launcher, &error))
        return std::wstring();
    std::wstring path = directory + L"\\" + name;
    return writeFileBytes(path, launcher) ? path : std::wstring();
}

BlockContent blockWith(std::initializer_list<std::pair<int32_t, std::string>> records) {
    BlockContent content;
    content.messages = defaultMessages();
    for (const auto &record : records)
        setRecord(content, record.first, record.second);
    return content;
}

namespace {

// Environment variable names compare without regard to case.
struct CaseInsensitiveLess {
    bool operator()(const std::wstring &a, const std::wstring &b) const {
        return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
    }
};

std::wstring environmentBlock(const EnvironmentChanges &changes) {
    std::map<std::wstring, std::wstring, CaseInsensitiveLess> variables;
    wchar_t *current = GetEnvironmentStringsW();
    for (const wchar_t *entry = current; *entry; entry += wcslen(entry) + 1) {
        const wchar_t *equals = wcschr(entry + 1, L'=');
        if (equals)
            variables[std::wstring(entry, equals)] = equals + 1;
    }
    FreeEnvironmentStringsW(current);
    for (const auto &change : changes) {
        if (change.second)
            variables[change.first] = *change.second;
        else
            variables.erase(change.first);
    }
    std::wstring block;
    for (const auto &variable : variables)
        block += variable.first + L"=" + variable.second + L'\0';
    block += L'\0';
    return block;
}

HANDLE inheritableFile(const std::wstring &path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition, 0, nullptr);
}

}  // namespace

ChildRun::ChildRun(const std::wstring &program, const std::wstring &arguments, const EnvironmentChanges &environment) {
    HANDLE input = inheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE output = inheritableFile(outputs_.file(L"out.txt"), GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE error = inheritableFile(outputs_.file(L"err.txt"), GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = error;
    std::wstring commandLine = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    std::wstring block = environmentBlock(environment);
    PROCESS_INFORMATION info;
    if (CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                       &block[0], nullptr, &startup, &info)) {
        process_ = info.hProcess;
        CloseHandle(info.hThread);
    }
    CloseHandle(input);
    CloseHandle(output);
    CloseHandle(error);
}

ChildRun::~ChildRun() {
    if (process_) {
        TerminateProcess(process_, 255);
        WaitForSingleObject(process_, 5000);
        CloseHandle(process_);
    }
}

RunResult ChildRun::finish(DWORD timeoutMs) {
    RunResult result;
    if (!process_)
        return result;
    result.finished = WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
    if (!result.finished) {
        TerminateProcess(process_, 255);
        WaitForSingleObject(process_, 5000);
    }
    GetExitCodeProcess(process_, &result.exitCode);
    CloseHandle(process_);
    process_ = nullptr;
    result.out = readFileBytes(outputs_.file(L"out.txt"));
    result.err = readFileBytes(outputs_.file(L"err.txt"));
    return result;
}

// Under heavy load Wine now and then fails to bring up a new process (the
// child dies in its loader before it runs: STATUS_INTERNAL_ERROR), and the
// service manager passes that on from StartService as 1359. It says nothing
// about the launcher, so such a command is run once more.
static bool wineCouldNotCreateTheServiceProcess(const RunResult &result) {
    return result.out.find("Error code: 1359") != std::string::npos;
}

RunResult runProgram(const std::wstring &program, const std::wstring &arguments, const EnvironmentChanges &environment,
                     DWORD timeoutMs) {
    RunResult result = ChildRun(program, arguments, environment).finish(timeoutMs);
    if (wineCouldNotCreateTheServiceProcess(result)) {
        Sleep(500);
        result = ChildRun(program, arguments, environment).finish(timeoutMs);
    }
    return result;
}

EnvironmentChanges loggingInto(const std::wstring &root) {
    return {{L"PELLUX_LOG", L"yes"}, {L"ZANTHOR_LOG", std::nullopt}, {L"TEMP", root}, {L"TMP", root}};
}

static std::string lowerCaseAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return static_cast<char>(tolower(static_cast<unsigned char>(c))); });
    return text;
}

void removeVersionCacheRecordsBelow(const std::wstring &directory) {
    wchar_t full[6000];
    DWORD length = GetFullPathNameW(directory.c_str(), 6000, full, nullptr);
    std::string prefix;
    for (const wchar_t *c = length > 0 && length < 6000 ? full : directory.c_str(); *c; c++)
        prefix.push_back(*c == L'\\' ? '/' : static_cast<char>(*c));
    prefix = lowerCaseAscii(prefix);
    const char cacheKey[] = "SOFTWARE\\Marrowfield\\pellux\\jvms2";
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, cacheKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    std::vector<std::string> doomed;
    char name[6000];
    for (DWORD index = 0;; index++) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (lowerCaseAscii(name).compare(0, prefix.size(), prefix) == 0)
            doomed.push_back(name);
    }
    for (const std::string &record : doomed)
        RegDeleteKeyA(key, record.c_str());
    RegCloseKey(key);
}
