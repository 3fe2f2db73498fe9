#include "bridge/win_text.h"

#include <windows.h>

std::string utf8FromWide(const std::wstring &text) {
    if (text.empty())
        return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], size, nullptr,
                        nullptr);
    return utf8;
}

static std::wstring wideFromCodePage(UINT codePage, const char *text, int length) {
    if (length <= 0)
        return std::wstring();
    int size = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
    if (size <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, text, length, &wide[0], size);
    return wide;
}

std::wstring wideFromUtf8(const std::string &text) {
    return wideFromCodePage(CP_UTF8, text.data(), static_cast<int>(text.size()));
}

std::string utf8FromFileCodePage(const char *text) {
    UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    return utf8FromWide(wideFromCodePage(codePage, text, lstrlenA(text)));
}
