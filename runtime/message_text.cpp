#include "runtime/fatal.h"

std::wstring cutToLength(const std::wstring &text, size_t maxLength) {
    if (text.size() <= maxLength)
        return text;
    size_t length = maxLength;
    // Half a surrogate pair is no character at all.
    if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF)
        length--;
    return text.substr(0, length);
}

std::wstring substituteArgument(const std::wstring &text, const wchar_t *argument) {
    size_t placeholder = text.find(L"{0}");
    if (!argument || placeholder == std::wstring::npos)
        return cutToLength(text, kMessageCapacity - 1);
    return cutToLength(text.substr(0, placeholder) + argument + text.substr(placeholder + 3), kMessageCapacity - 1);
}

std::wstring composeShownText(const std::wstring &text, const wchar_t *logPath) {
    if (!logPath)
        return cutToLength(text, kMessageCapacity - 1);
    std::wstring logLine = std::wstring(L"\n\nLog: ") + logPath;
    if (logLine.size() >= kMessageCapacity - 1)
        return cutToLength(text + logLine, kMessageCapacity - 1);
    // The message gives way, so the user still learns where the log is.
    return cutToLength(text, kMessageCapacity - 1 - logLine.size()) + logLine;
}
