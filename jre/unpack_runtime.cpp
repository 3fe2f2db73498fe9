#include "jre/unpack_runtime.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/format.h"
#include "common/records.h"
#include "common/win32_handles.h"
#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "paths/path_utils.h"

namespace {

const size_t kPackSuffixLength = 5;  // ".pack"
// Unpacking a runtime's archives takes seconds; one that runs for minutes hangs.
const DWORD kUnpackWaitMs = 5 * 60 * 1000;

void unpackArchive(const char *home, const std::string &archive) {
    std::string jar = archive.substr(0, archive.size() - kPackSuffixLength);
    if (!pathExists(archive.c_str())) {
        logMessage("pack path doesn't exists");
        return;
    }
    std::string program = formatString("%s\\bin\\unpack200.exe", home);
    std::string commandLine = formatString("-r \"%s\" \"%s\"", archive.c_str(), jar.c_str());
    logMessage("%S", program.c_str());
    logMessage("%S", commandLine.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    // The program's own name comes first, so that "-r" is its first argument.
    std::string fullCommandLine = "\"" + program + "\" " + commandLine;
    PROCESS_INFORMATION process;
    // Narrow: runtime paths are narrow, as the VM takes them.
    if (!CreateProcessA(program.c_str(), &fullCommandLine[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                        nullptr, nullptr, &startup, &process)) {
        logMessage("could not create unpack process");
        fatalMessage(message::kUnpackFailed);
    }
    UniqueHandle unpacker(process.hProcess), unpackerThread(process.hThread);
    logMessage("waiting for unpack200 to finish");
    if (WaitForSingleObject(unpacker.get(), kUnpackWaitMs) != WAIT_OBJECT_0) {
        logError("unpack200 did not end within %d s", static_cast<int>(kUnpackWaitMs / 1000));
        TerminateProcess(unpacker.get(), 1);
        fatalMessage(message::kUnpackFailed);
    }
    logMessage("unpack done");
    // Narrow: runtime paths are narrow, as the VM takes them.
    if (!DeleteFileA(archive.c_str())) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND)
            logMessage("could not delete packed file (error %d)", static_cast<int>(error));
    }
}

void unpackFolder(const char *home, const char *folder, bool &noticeShown) {
    std::string pattern = formatString("%s\\%s\\*.jar.pack", home, folder);
    WIN32_FIND_DATAA found;
    // Narrow: runtime paths are narrow, as the VM takes them.
    FindHandle search(FindFirstFileA(pattern.c_str(), &found));
    if (!search)
        return;
    do {
        // Wildcards also match short names; such a long name may lack the suffix.
        if (strlen(found.cFileName) <= kPackSuffixLength)
            continue;
        int jarNameLength = static_cast<int>(strlen(found.cFileName) - kPackSuffixLength);
        std::string jar = formatString("%s\\%s\\%.*s", home, folder, jarNameLength, found.cFileName);
        logMessage("checking %S", jar.c_str());
        if (pathExists(jar.c_str()))
            continue;
        if (!noticeShown) {
            logMessage("Unpacking JRE");
            writeConsoleNotice("Preparing JRE ...\n");
            noticeShown = true;
        }
        std::string folderJar = formatString("%s\\%.*s", folder, jarNameLength, found.cFileName);
        unpackArchive(home, formatString("%s\\%s.pack", home, folderJar.c_str()));
    } while (FindNextFileA(search.get(), &found));
}

}  // namespace

void writeConsoleNotice(const char *text) {
    fputs(text, stdout);
    fflush(stdout);
}

void unpackRuntime(const char *home) {
    bool noticeShown = false;
    unpackFolder(home, "lib", noticeShown);
    unpackFolder(home, "lib\\ext", noticeShown);
    if (noticeShown)
        logMessage("Unpacking JRE done");
}
