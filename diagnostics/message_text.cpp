#include "diagnostics/fatal.h"

#include "common/text.h"

std::wstring substituteArgument(const std::wstring &text, const wchar_t *argument) {
    size_t placeholder = text.find(L"{0}");
    if (!argument || placeholder == std::wstring::npos)
        return cutToLength(text, kTextCapacity - 1);
    return cutToLength(text.substr(0, placeholder) + argument + text.substr(placeholder + 3), kTextCapacity - 1);
}

std::wstring composeShownText(const std::wstring &text, const wchar_t *logPath) {
    if (!logPath)
        return cutToLength(text, kTextCapacity - 1);
    std::wstring logLine = std::wstring(L"\n\nLog: ") + logPath;
    if (logLine.size() >= kTextCapacity - 1)
        return cutToLength(text + logLine, kTextCapacity - 1);
    // The message gives way, so the user still learns where the log is.
    return cutToLength(text, kTextCapacity - 1 - logLine.size()) + logLine;
}
