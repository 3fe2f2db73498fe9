#include "runtime/startup.h"

#include "common/text.h"

static wchar_t foldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

static bool startsWithIgnoringCase(const std::wstring &text, const std::wstring &prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); i++)
        if (foldAscii(text[i]) != foldAscii(prefix[i]))
            return false;
    return true;
}

// "C:\Windows", "C:\Windows\" and "C:\Windows\System32", not "C:\WindowsApps".
static bool liesUnder(const std::wstring &entry, const std::wstring &directory) {
    std::wstring folder = directory;
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    if (folder.empty() || !startsWithIgnoringCase(entry, folder))
        return false;
    return entry.size() == folder.size() || entry[folder.size()] == L'\\' || entry[folder.size()] == L'/';
}

std::wstring keepEntriesUnder(const std::wstring &path, const std::wstring &windowsDirectory, bool wholeFolders) {
    std::wstring kept;
    size_t position = 0;
    while (position < path.size()) {
        std::wstring entry = nextToken(path, position, L';');
        if (entry.empty() || !(wholeFolders ? liesUnder(entry, windowsDirectory)
                                            : startsWithIgnoringCase(entry, windowsDirectory)))
            continue;
        if (!kept.empty())
            kept += L';';
        kept += entry;
    }
    return kept;
}
