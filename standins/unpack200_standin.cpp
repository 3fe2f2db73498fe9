// Stand-in for a runtime's unpack200.exe, started as
//   "<home>\bin\unpack200.exe" -r "<archive>.jar.pack" "<archive>.jar"
// The "jar" it writes is a copy of the archive's bytes.
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "standins/standin_files.h"
#include "standins/standin_protocol.h"

namespace {

// The arguments after the program.
std::vector<std::wstring> commandLineArguments() {
    std::vector<std::wstring> arguments;
    int count = 0;
    LPWSTR *list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (list == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(list[i]);
    LocalFree(list);
    return arguments;
}

bool copyArchiveToJar(const std::wstring &archive, const std::wstring &jar) {
    std::string bytes;
    return readFileBytes(archive, bytes) && writeFileBytes(jar, bytes);
}

}  // namespace

int main() {
    const void *self = reinterpret_cast<const void *>(&copyArchiveToJar);
    std::wstring recordPath = pathBesideModule(self, STANDIN_UNPACK_RUNS_FILE);
    std::map<std::string, std::string> settings =
        readSettingsFile(pathBesideModule(self, STANDIN_UNPACK_CONFIG_FILE));
    appendRunStart(recordPath, self);
    appendRecord(recordPath, EVENT_COMMAND_LINE, {wideToUtf8(GetCommandLineW())});

    bool removeArchive = false;
    std::vector<std::wstring> files;
    for (const std::wstring &argument : commandLineArguments()) {
        if (argument == L"-r") {
            removeArchive = true;
        } else if (!argument.empty() && argument[0] != L'-') {
            files.push_back(argument);
        }
    }
    int exitCode = static_cast<int>(settingNumber(settings, UNPACK_KEY_EXIT, 0));
    if (files.size() != 2) {
        const char usage[] = "usage: unpack200 [-r] <archive>.pack <jar>\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), usage, sizeof usage - 1, &written, nullptr);
        appendRecord(recordPath, EVENT_EXIT, {std::string("2")});
        return 2;
    }
    appendRecord(recordPath, EVENT_ARCHIVE, {wideToUtf8(files[0]), wideToUtf8(files[1])});
    bool written =
        settingNumber(settings, UNPACK_KEY_WRITE, 1) != 0 && copyArchiveToJar(files[0], files[1]);
    appendRecord(recordPath, EVENT_JAR_WRITTEN, {std::string(written ? "1" : "0")});
    bool removed = removeArchive && settingNumber(settings, UNPACK_KEY_REMOVE, 1) != 0 &&
                   DeleteFileW(files[0].c_str());
    appendRecord(recordPath, EVENT_ARCHIVE_REMOVED, {std::string(removed ? "1" : "0")});
    appendRecord(recordPath, EVENT_EXIT, {std::to_string(exitCode)});
    return exitCode;
}
