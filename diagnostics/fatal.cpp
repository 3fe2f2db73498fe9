#include "diagnostics/fatal.h"

#include <windows.h>

#include <cstdio>

#include "common/records.h"
#include "common/text.h"
#include "common/user32_calls.h"
#include "diagnostics/log.h"

namespace {

void configuredText(int32_t id, wchar_t *buffer, size_t capacity) {
    if (failureDisplay().messageText)
        failureDisplay().messageText(failureDisplay().textSource, id, buffer, capacity);
    else
        copyText(buffer, capacity, L"");
}

}  // namespace

FailureDisplay &failureDisplay() {
    static FailureDisplay display;
    return display;
}

FatalCleanUpScope::FatalCleanUpScope(void (*run)(void *subject), void *subject) : cleanUp_{run, subject} {
    for (FatalCleanUp &slot : failureDisplay().cleanUps) {
        if (!slot.run) {
            slot = cleanUp_;
            return;
        }
    }
}

FatalCleanUpScope::~FatalCleanUpScope() {
    for (FatalCleanUp &slot : failureDisplay().cleanUps) {
        if (slot.run == cleanUp_.run && slot.subject == cleanUp_.subject) {
            slot = FatalCleanUp();
            return;
        }
    }
}

namespace {

std::wstring longLogPath() {
    const wchar_t *path = getLogFilePath();
    if (!path)
        return std::wstring();
    wchar_t longPath[kTextCapacity];
    DWORD length = GetLongPathNameW(path, longPath, kTextCapacity);
    return length > 0 && length < kTextCapacity ? longPath : path;
}

bool standardOutputIsConsole() {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    return output != nullptr && output != INVALID_HANDLE_VALUE && GetFileType(output) == FILE_TYPE_CHAR;
}

void writeToStandardError(const std::wstring &text) {
    int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, "?", nullptr);
    std::string narrow(size > 0 ? static_cast<size_t>(size) : 1, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &narrow[0], size, "?", nullptr);
    fputs(narrow.c_str(), stderr);
    fputs("\n", stderr);
    fflush(stderr);
}

}  // namespace

void showText(const wchar_t *text) {
    std::wstring logPath = longLogPath();
    std::wstring shown = composeShownText(text, getLogFilePath() ? logPath.c_str() : nullptr);
    if (failureDisplay().textShown)
        failureDisplay().textShown(failureDisplay().textShownSubject, text);
    User32Calls user32;
    if (failureDisplay().messageBox && loadUser32Calls(&user32)) {
        wchar_t caption[kTextCapacity];
        configuredText(message::kErrorCaption, caption, kTextCapacity);
        user32.MessageBoxW(nullptr, shown.c_str(), caption, MB_ICONERROR);
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
    wchar_t text[kTextCapacity];
    configuredText(id, text, kTextCapacity);
    return substituteArgument(text, argument);
}

void showMessage(int32_t id) { showMessage(id, static_cast<const wchar_t *>(nullptr)); }

void showMessage(int32_t id, const wchar_t *argument) { showText(messageText(id, argument).c_str()); }

void showMessage(int32_t id, const char *argument) {
    std::wstring wide;
    if (argument)
        wide = widenBytes(std::string(argument).substr(0, kTextCapacity - 1));
    showMessage(id, argument ? wide.c_str() : static_cast<const wchar_t *>(nullptr));
}

void fatalExit(unsigned int exitCode) {
    for (const FatalCleanUp &cleanUp : failureDisplay().cleanUps) {
        if (cleanUp.run)
            cleanUp.run(cleanUp.subject);
    }
    ExitProcess(exitCode);
}

void fatalExitAbruptly(unsigned int exitCode) {
    for (const FatalCleanUp &cleanUp : failureDisplay().cleanUps) {
        if (cleanUp.run)
            cleanUp.run(cleanUp.subject);
    }
    fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), exitCode);
    ExitProcess(exitCode);
}

void fatalText(const wchar_t *text) {
    showText(text);
    fatalExit(1);
}

void fatalMessage(int32_t id) { fatalMessage(id, static_cast<const wchar_t *>(nullptr)); }

void fatalMessage(int32_t id, const char *argument) {
    showMessage(id, argument);
    fatalExit(1);
}

void fatalMessage(int32_t id, const wchar_t *argument) {
    showMessage(id, argument);
    fatalExit(1);
}
