#include "bridge/bridge_home.h"

#include <windows.h>

#include <string>

// Far more than any settings file; a bigger one is not ours.
const DWORD MAX_CONFIG_SIZE = 65536;
const int HOME_SEARCH_LEVELS = 3;

static std::wstring moduleDirectory() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&moduleDirectory), &module))
        return std::wstring();
    std::wstring path(32768, L'\0');
    DWORD length = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size())
        return std::wstring();
    path.resize(length);
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

static bool readSmallFile(const std::wstring &path, std::string &contents) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, nullptr);
    bool ok = size != INVALID_FILE_SIZE && size <= MAX_CONFIG_SIZE;
    if (ok) {
        contents.assign(size, '\0');
        DWORD read = 0;
        ok = size == 0 || (ReadFile(file, &contents[0], size, &read, nullptr) && read == size);
    }
    CloseHandle(file);
    return ok;
}

BridgeConfig loadBridgeConfig() {
    std::wstring directory = moduleDirectory();
    for (int level = 0; level <= HOME_SEARCH_LEVELS && !directory.empty(); level++) {
        std::string contents;
        std::wstring name(BRIDGE_CONFIG_FILE_NAME, BRIDGE_CONFIG_FILE_NAME + sizeof BRIDGE_CONFIG_FILE_NAME - 1);
        if (readSmallFile(directory + L"\\" + name, contents))
            return parseBridgeConfig(contents);
        size_t slash = directory.find_last_of(L"\\/");
        if (slash == std::wstring::npos)
            break;
        directory.resize(slash);
    }
    return BridgeConfig();
}
