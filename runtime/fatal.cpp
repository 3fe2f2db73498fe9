#include "runtime/fatal.h"

#include <windows.h>

#include <cstdio>

#include "common/text.h"
#include "config/config_store.h"
#include "paths/temp_dirs.h"
#include "runtime/log.h"
#include "config/records.h"

static std::wstring longLogPath() {
    const wchar_t *path = getLogFilePath();
    if (!path)
        return std::wstring();
    wchar_t longPath[kMessageCapacity];
    DWORD length = GetLongPathNameW(path, longPath, kMessageCapacity);
    return length > 0 && length < kMessageCapacity ? longPath : path;
}

static bool standardOutputIsConsole() {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    return output != nullptr && output != INVALID_HANDLE_VALUE && GetFileType(output) == FILE_TYPE_CHAR;
}

static void writeToStandardError(const std::wstring &text) {
    int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, "?", nullptr);
    std::string narrow(size > 0 ? static_cast<size_t>(size) : 1, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &narrow[0], size, "?", nullptr);
    fputs(narrow.c_str(), stderr);
    fputs("\n", stderr);
    fflush(stderr);
}

void showText(const wchar_t *text) {
    std::wstring logPath = longLogPath();
    std::wstring shown = composeShownText(text, getLogFilePath() ? logPath.c_str() : nullptr);
    if (messageBoxMode) {
        wchar_t caption[kMessageCapacity];
        getText(message::kErrorCaption, caption, kMessageCapacity);
        MessageBoxW(nullptr, shown.c_str(), caption, MB_ICONERROR);
    } else if (standardOutputIsConsole()) {
        HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
        DWORD written;
        WriteConsoleW(output, shown.c_str(), static_cast<DWORD>(shown.size()), &written, nullptr);
        FlushFileBuffers(output);
    } else {
        writeToStandardError(shown);
    }
}

std::wstring messageText(int32_t id, const wchar_t *argument) {
    wchar_t text[kMessageCapacity];
    getText(id, text, kMessageCapacity);
    return substituteArgument(text, argument);
}

void showMessage(int32_t id, const wchar_t *argument) { showText(messageText(id, argument).c_str()); }

void showMessageA(int32_t id, const char *argument) {
    std::wstring wide;
    if (argument)
        wide = widenBytes(std::string(argument).substr(0, kMessageCapacity - 1));
    showMessage(id, argument ? wide.c_str() : nullptr);
}

void fatalExit(unsigned int exitCode) {
    if (launcherTempDir[0] != 0) {
        emptyDirectory(launcherTempDir, 1);
        RemoveDirectoryA(launcherTempDir);
    }
    ExitProcess(exitCode);
}

void fatalText(const wchar_t *text) {
    showText(text);
    fatalExit(1);
}

void fatalMessage(int32_t id, const char *argument) {
    showMessageA(id, argument);
    fatalExit(1);
}

void fatalMessageW(int32_t id, const wchar_t *argument) {
    showMessage(id, argument);
    fatalExit(1);
}
