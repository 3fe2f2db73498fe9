// Stand-in for a runtime's java.exe and javaw.exe: prints the banner of
// "-version" on standard error and exits with the configured code. Every run
// is recorded with its command line and the Java options variables, so a test
// can count the probes and see that the variables were removed around them.
#include <windows.h>

#include "standins/standin_files.h"
#include "standins/standin_protocol.h"

namespace {

const char DEFAULT_VERSION[] = "17.0.2";

const char *const JAVA_OPTIONS_VARIABLES[] = {"_JAVA_OPTIONS", "JDK_JAVA_OPTIONS",
                                              "JAVA_TOOL_OPTIONS"};

void recordRun(const std::wstring &recordPath, int exitCode) {
    appendRunStart(recordPath, reinterpret_cast<const void *>(&recordRun));
    appendRecord(recordPath, EVENT_COMMAND_LINE, {wideToUtf8(GetCommandLineW())});
    for (const char *name : JAVA_OPTIONS_VARIABLES) {
        appendRecord(recordPath, EVENT_ENVIRONMENT, {std::string(name), environmentValue(name)});
    }
    appendRecord(recordPath, EVENT_EXIT, {std::to_string(exitCode)});
}

void writeToStandardError(const std::string &text) {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(error, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// A copy of this program that inherits standard error and sleeps: like a
// process the runtime started that outlives it with the pipe still open.
void leaveChildHoldingOutput(int milliseconds) {
    wchar_t program[MAX_PATH];
    if (GetModuleFileNameW(nullptr, program, MAX_PATH) == 0) return;
    std::wstring commandLine = L"\"" + std::wstring(program) + L"\" --hold " + std::to_wstring(milliseconds);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (CreateProcessW(program, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 3 && lstrcmpA(argv[1], "--hold") == 0) {
        Sleep(static_cast<DWORD>(atoi(argv[2])));
        return 0;
    }
    const void *self = reinterpret_cast<const void *>(&recordRun);
    std::map<std::string, std::string> settings =
        readSettingsFile(pathBesideModule(self, STANDIN_JAVA_CONFIG_FILE));
    int exitCode = static_cast<int>(settingNumber(settings, JAVA_KEY_EXIT, 0));
    recordRun(pathBesideModule(self, STANDIN_JAVA_RUNS_FILE), exitCode);
    writeToStandardError(settingText(settings, JAVA_KEY_BANNER, openJdkBanner(DEFAULT_VERSION)));
    int heldMs = static_cast<int>(settingNumber(settings, JAVA_KEY_HELD_OUTPUT, 0));
    if (heldMs > 0) leaveChildHoldingOutput(heldMs);
    if (settingNumber(settings, JAVA_KEY_FLOOD, 0) != 0) {
        std::string line(1000, 'x');
        line += "\r\n";
        for (;;) writeToStandardError(line);
    }
    return exitCode;
}
