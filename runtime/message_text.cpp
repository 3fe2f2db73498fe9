#include "runtime/fatal.h"

static std::wstring cutToCapacity(std::wstring text) {
    if (text.size() > kMessageCapacity - 1)
        text.resize(kMessageCapacity - 1);
    return text;
}

std::wstring substituteArgument(const std::wstring &text, const wchar_t *argument) {
    size_t placeholder = text.find(L"{0}");
    if (!argument || placeholder == std::wstring::npos)
        return cutToCapacity(text);
    return cutToCapacity(text.substr(0, placeholder) + argument + text.substr(placeholder + 3));
}

std::wstring composeShownText(const std::wstring &text, const wchar_t *logPath) {
    if (!logPath)
        return cutToCapacity(text);
    return cutToCapacity(text + L"\n\nLog: " + logPath);
}
