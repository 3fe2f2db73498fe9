#include "tests/logpaths/wine_roles.h"

#include <cstdio>
#include <functional>
#include <map>

#include "common/records.h"
#include "common/text.h"
#include "config/load_config.h"
#include "config/settings.h"
#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "paths/expand_variables.h"
#include "paths/runtime_location.h"
#include "paths/temp_dirs.h"
#include "writer/block_writer.h"

const wchar_t kEventVariable[] = L"PELLUX_TEST_EVENT";
const wchar_t kLongPathsVariable[] = L"PELLUX_TEST_LONG_PATHS";
const wchar_t kDeepFilesVariable[] = L"PELLUX_TEST_DEEP_FILES";

std::wstring thisProgram() {
    wchar_t path[MAX_PATH * 4];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return std::wstring(path, length);
}

RunResult runRoleFrom(const std::wstring &program, const std::string &role, const EnvironmentChanges &environment) {
    return runProgram(program, L"--role " + fromUtf8(role), environment, 30000);
}

RunResult runRole(const std::string &role, const EnvironmentChanges &environment, DWORD timeoutMs) {
    return runProgram(thisProgram(), L"--role " + fromUtf8(role), environment, timeoutMs);
}

std::string toUtf8(const std::wstring &text) {
    if (text.empty())
        return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], size, nullptr, nullptr);
    return utf8;
}

std::wstring fromUtf8(const std::string &text) {
    if (text.empty())
        return std::wstring();
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

std::string withoutCarriageReturns(std::string text) {
    std::string result;
    for (char c : text)
        if (c != '\r')
            result.push_back(c);
    return result;
}

std::wstring longPathOf(const std::wstring &path) {
    wchar_t buffer[6000];
    DWORD length = GetLongPathNameW(path.c_str(), buffer, 6000);
    return length > 0 && length < 6000 ? std::wstring(buffer) : path;
}

std::wstring shortPathOf(const std::wstring &path) {
    wchar_t buffer[6000];
    DWORD length = GetShortPathNameW(path.c_str(), buffer, 6000);
    return length > 0 && length < 6000 ? std::wstring(buffer) : path;
}

bool contains(const std::wstring &text, const std::wstring &part) { return text.find(part) != std::wstring::npos; }

std::wstring childValue(const std::string &output, const std::string &key) {
    std::string text = withoutCarriageReturns(output);
    std::string prefix = key + "=";
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (text.compare(start, prefix.size(), prefix) == 0)
            return fromUtf8(text.substr(start + prefix.size(), end - start - prefix.size()));
        start = end + 1;
    }
    return L"<" + fromUtf8(key) + L" missing>";
}

namespace {

void print(const std::string &key, const std::wstring &value) {
    std::string line = key + "=" + toUtf8(value) + "\n";
    fputs(line.c_str(), stdout);
    fflush(stdout);
}

std::wstring fromCodePage(const char *text) {
    wchar_t wide[6000];
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 6000);
    return length > 0 ? std::wstring(wide) : std::wstring();
}

bool environmentFlag(const wchar_t *name) { return GetEnvironmentVariableW(name, nullptr, 0) > 0; }

// The texts the launcher's messages come from, as the block writer writes them.
void useDefaultMessages() {
    static Settings settings;
    for (const auto &message : defaultMessages())
        settings.messages[message.first] = std::wstring(message.second.begin(), message.second.end());
    showFatalMessagesFrom(settings);
}

// The first line decides the log before the configuration is read, as in the
// launcher; only then does record 10009 arrive.
int printTempRoots() {
    logMessage(L"asking for the temporary roots");
    if (environmentFlag(kLongPathsVariable))
        requestLongTempPaths(true);
    wchar_t wide[6000];
    getTempRoot(wide, 6000);
    print("wide", wide);
    char narrow[6000];
    getTempRootA(narrow, sizeof narrow);
    print("narrow", fromCodePage(narrow));
    return 0;
}

void writeFile(const std::string &path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(file, "x", 1, &written, nullptr);
    CloseHandle(file);
}

// Files on three levels of the launcher temporary directory, then the fatal
// exit that has to clear them away.
int fatalExitWithFiles() {
    logMessage(L"extracting");
    failureDisplay().messageBox = false;
    useDefaultMessages();
    LauncherTempDir dir;
    FatalCleanUpScope cleanUp(removeLauncherTempDirAtFatalExit, &dir);
    createLauncherTempDir(dir);
    std::string directory = dir.path;
    print("dir", fromCodePage(directory.c_str()));
    writeFile(directory + "\\top.txt");
    if (environmentFlag(kDeepFilesVariable)) {
        CreateDirectoryA((directory + "\\sub").c_str(), nullptr);
        writeFile(directory + "\\sub\\middle.txt");
        CreateDirectoryA((directory + "\\sub\\deeper").c_str(), nullptr);
        writeFile(directory + "\\sub\\deeper\\bottom.txt");
    }
    fatalMessage(message::kInternalError, "16");
}

// The chosen root disappears before the launcher's directory is made in it.
int tempDirectoryFails() {
    failureDisplay().messageBox = false;
    useDefaultMessages();
    char root[6000];
    getTempRootA(root, sizeof root);
    print("root", fromCodePage(root));
    RemoveDirectoryA(root);
    // What extraction does when the directory cannot be made.
    LauncherTempDir dir;
    if (createLauncherTempDir(dir) != TempDirResult::Created)
        fatalMessage(message::kInternalError, "7");
    return 0;
}

int messageBox() {
    logMessage(L"reading the configuration");
    failureDisplay().messageBox = true;
    useDefaultMessages();
    fatalText(L"Internal Error: magic");
}

int consoleMessage() {
    failureDisplay().messageBox = false;
    FreeConsole();
    if (!AllocConsole())
        return 2;
    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    SetStdHandle(STD_OUTPUT_HANDLE, console);
    showText(L"shown on the console");
    return 0;
}

// Lines in every format convention; between two lines the test looks at the file.
int writeLogLines() {
    logMessage(L"formats %s %S %d %p %I64d", L"wide\u0416", "narrow", -42, reinterpret_cast<void *>(0x1234),
               5000000000LL);
    logError(L"could not find main class");
    wchar_t name[200];
    if (GetEnvironmentVariableW(kEventVariable, name, 200) == 0)
        return 2;
    HANDLE logged = OpenEventW(EVENT_MODIFY_STATE, FALSE, (std::wstring(name) + L"-logged").c_str());
    HANDLE proceed = OpenEventW(SYNCHRONIZE, FALSE, (std::wstring(name) + L"-proceed").c_str());
    if (!logged || !proceed)
        return 3;
    SetEvent(logged);
    DWORD waited = WaitForSingleObject(proceed, 10000);
    logMessage(L"after the check");
    CloseHandle(logged);
    CloseHandle(proceed);
    return waited == WAIT_OBJECT_0 ? 0 : 4;
}

void printExpansions(const RunPlaces &places, const std::string &key, const wchar_t *text) {
    wchar_t argument[6000], option[6000];
    lstrcpynW(argument, text, 6000);
    lstrcpynW(option, text, 6000);
    expandVariables(places, argument, 6000, ExpandMode::Argument);
    expandVariables(places, option, 6000, ExpandMode::Option);
    char narrow[6000];
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, 6000, nullptr, nullptr);
    std::string growable = narrow;
    expandVariablesA(places, narrow, 6000);
    expandVariablesInString(places, growable);
    print(key + ".argument", argument);
    print(key + ".option", option);
    print(key + ".narrow", fromCodePage(narrow));
    print(key + ".growable", fromCodePage(growable.c_str()));
}

int expandTexts() {
    RunPlaces places;
    copyText(places.runtime.home, kPathCapacity, "C:\\jre\\bin\\..");
    printExpansions(places, "exedir", L"%PELLUX_EXEDIR%");
    printExpansions(places, "root", L"${launcher:sys.tempDir}");
    printExpansions(places, "home", L"${launcher:sys.jvmHome}|[%ZANTHOR_TEMPDIR%]");
    printExpansions(places, "environment", L"${Pellux_Test_Value}|${PELLUX_TEST_VALUE}|${pellux_test_value}|${UNDEFINED_HERE}");
    SetEnvironmentVariableW(L"SET_BY_LAUNCHER", L"late");
    printExpansions(places, "late", L"${SET_BY_LAUNCHER}");
    wchar_t small[17] = L"%PELLUX_EXEDIR%";
    small[16] = L'#';
    expandVariables(places, small, 16, ExpandMode::Argument);
    print("cut", std::wstring(small) + (small[16] == L'#' ? L"|intact" : L"|overrun"));
    return 0;
}

}  // namespace

int runChildRole(const std::string &role) {
    static const std::map<std::string, std::function<int()>> roles = {
        {"temp-roots", printTempRoots},        {"fatal-exit", fatalExitWithFiles},
        {"temp-dir-fails", tempDirectoryFails}, {"message-box", messageBox},
        {"console-message", consoleMessage},   {"log-lines", writeLogLines},
        {"expand", expandTexts},
    };
    auto found = roles.find(role);
    return found == roles.end() ? 99 : found->second();
}
