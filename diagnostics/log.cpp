#include "diagnostics/log.h"

#include <windows.h>

#include <cstdarg>
#include <ctime>
#include <string>

#include "common/capacities.h"
#include "common/format.h"
#include "common/private_security.h"
#include "common/text.h"

namespace {

// The one log of the process. Process-wide: every layer and thread writes to
// it through calls that carry no context. Zero until first used, so that
// nothing runs before main to set it up.
struct LogState {
    void (*directorySource)(wchar_t *out, size_t capacity);
    CRITICAL_SECTION lockStorage;
    CRITICAL_SECTION *lock;
    bool decided;
    bool pathSet;
    wchar_t filePath[kPathCapacity];
    HANDLE openFile;  // INVALID_HANDLE_VALUE from the decision on while there is no file
    int64_t startMillis;
};
LogState theLog;

int64_t currentMillis() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER value;
    value.LowPart = now.dwLowDateTime;
    value.HighPart = now.dwHighDateTime;
    return static_cast<int64_t>(divideBySmall(value.QuadPart, 10000, nullptr));
}

// A new file only: a name that is taken, perhaps by a link another user
// planted, is never opened. Other programs may read the log while it is written.
// The log of a service names its paths and arguments: only its own account
// and the administrators may read it, wherever it lands (the fallback in
// "c:\" too). Without that DACL no file is made.
HANDLE createNewLogFile(const wchar_t *path) {
    PrivateSecurity security(FILE_ALL_ACCESS, 0);
    if (!security.attributes())
        return INVALID_HANDLE_VALUE;
    return CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       security.attributes(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The file is UTF-8 text with CRLF line ends.
void writeLogText(const std::wstring &text) {
    std::wstring crlf;
    crlf.reserve(text.size() + 8);
    for (wchar_t c : text) {
        if (c == L'\n')
            crlf.push_back(L'\r');
        crlf.push_back(c);
    }
    int size = WideCharToMultiByte(CP_UTF8, 0, crlf.data(), static_cast<int>(crlf.size()), nullptr, 0,
                                   nullptr, nullptr);
    if (size <= 0)
        return;
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, crlf.data(), static_cast<int>(crlf.size()), &utf8[0], size, nullptr,
                        nullptr);
    DWORD written;
    WriteFile(theLog.openFile, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

bool logSwitchIsOn(const wchar_t *name) {
    wchar_t value[kTextCapacity];
    DWORD length = GetEnvironmentVariableW(name, value, kTextCapacity);
    return length != 0 && length < kTextCapacity && lstrcmpW(value, L"yes") == 0;
}

// The new file's byte-order mark and header.
void startLogFile() {
    DWORD written;
    WriteFile(theLog.openFile, "\xEF\xBB\xBF", 3, &written, nullptr);
    wchar_t executable[kPathCapacity];
    DWORD length = GetModuleFileNameW(nullptr, executable, kPathCapacity);
    if (length == 0 || length >= kPathCapacity)
        executable[0] = 0;
    time_t now = time(nullptr);
    const char *localTime = ctime(&now);
    writeLogText(formatString(L"Started executable %s at %S\n", executable, localTime ? localTime : "\n"));
    FlushFileBuffers(theLog.openFile);
    theLog.startMillis = currentMillis();
}

// The first free "zno_nlog_<n>.log" of the directory, n up to 1000, else
// "c:\zno_nlog"; the file stays open for the life of the process.
void createLogFile() {
    wchar_t root[kPathCapacity] = L"";
    if (theLog.directorySource)
        theLog.directorySource(root, kPathCapacity);
    std::wstring directory = root[0] == 0 ? std::wstring(L"c:\\") : std::wstring(root);
    if (directory.back() != L'\\' && directory.back() != L'/')
        directory += L'\\';
    for (int n = 1; n <= 1000 && theLog.openFile == INVALID_HANDLE_VALUE; n++) {
        // A name cut to fit would be a file nobody looks for: such a root gives way to "c:\".
        if (formatText(theLog.filePath, kPathCapacity, L"%szno_nlog_%d.log", directory.c_str(), n) >= kPathCapacity) {
            directory = L"c:\\";
            n = 0;
            continue;
        }
        theLog.openFile = createNewLogFile(theLog.filePath);
        DWORD error = GetLastError();
        // Only a taken name is worth trying the next one for.
        if (theLog.openFile == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS &&
            error != ERROR_ACCESS_DENIED)
            break;
    }
    if (theLog.openFile == INVALID_HANDLE_VALUE) {
        copyText(theLog.filePath, kPathCapacity, L"c:\\zno_nlog");
        theLog.openFile = createNewLogFile(theLog.filePath);
    }
    if (theLog.openFile == INVALID_HANDLE_VALUE)
        return;
    theLog.pathSet = true;
    startLogFile();
}

void decideLog() {
    theLog.decided = true;  // log calls made while deciding return at once
    theLog.openFile = INVALID_HANDLE_VALUE;
    if (!logSwitchIsOn(L"PELLUX_LOG") && !logSwitchIsOn(L"ZANTHOR_LOG"))
        return;
    createLogFile();
}

void openLog() {
    if (!theLog.lock) {
        InitializeCriticalSection(&theLog.lockStorage);
        theLog.lock = &theLog.lockStorage;
    }
    EnterCriticalSection(theLog.lock);
    if (!theLog.decided)
        decideLog();
}

std::wstring formatLine(const wchar_t *format, va_list args) { return formatStringV(format, args); }

// The launcher's own formats are ASCII: widened byte by byte they are the same
// wide format, and the executable keeps them at half the size.
std::wstring formatLine(const char *format, va_list args) {
    std::wstring wide;
    for (const char *c = format; *c; c++)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return formatStringV(wide.c_str(), args);
}

template <typename Char>
void writeLine(bool error, const Char *format, va_list args) {
    openLog();
    if (theLog.openFile != INVALID_HANDLE_VALUE) {
        std::wstring line = formatLogStamp(currentMillis() - theLog.startMillis);
        if (error)
            line += L"ERROR: ";
        line += formatLine(format, args);
        line += L'\n';
        writeLogText(line);
    }
    LeaveCriticalSection(theLog.lock);
}

}  // namespace

void logMessage(const wchar_t *format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(false, format, args);
    va_end(args);
}

void logError(const wchar_t *format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(true, format, args);
    va_end(args);
}

void logMessage(const char *format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(false, format, args);
    va_end(args);
}

void logError(const char *format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(true, format, args);
    va_end(args);
}

const wchar_t *getLogFilePath() { return theLog.pathSet ? theLog.filePath : nullptr; }

void setLogDirectorySource(void (*source)(wchar_t *out, size_t capacity)) { theLog.directorySource = source; }
