#include "standins/standin_files.h"

#include <windows.h>

#include <vector>

#include "standins/standin_protocol.h"

std::wstring modulePathOf(const void *addressInModule) {
    HMODULE module = nullptr;
    if (addressInModule != nullptr) {
        GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCWSTR>(addressInModule), &module);
    }
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::wstring();
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring pathBesideModule(const void *addressInModule, const char *fileName) {
    std::wstring path = modulePathOf(addressInModule);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + utf8ToWide(fileName);
}

std::string wideToUtf8(const std::wstring &text) {
    return utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

std::wstring utf8ToWide(const std::string &text) {
    std::u16string wide = utf8ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

bool readFileBytes(const std::wstring &path, std::string &bytes) {
    bytes.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char chunk[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, chunk, sizeof chunk, &got, nullptr) != 0) && got > 0) {
        bytes.append(chunk, got);
    }
    CloseHandle(file);
    return ok;
}

bool writeFileBytes(const std::wstring &path, const std::string &bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    return CloseHandle(file) && ok;
}

std::map<std::string, std::string> readSettingsFile(const std::wstring &path) {
    std::string text;
    readFileBytes(path, text);
    return parseSettings(text);
}

void appendRecord(const std::wstring &path, const std::string &event, const RecordFields &fields) {
    std::string line = formatRecordLine(GetCurrentProcessId(), event, fields);
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

void appendRunStart(const std::wstring &path, const void *addressInModule) {
    appendRecord(path, EVENT_RUN,
                 {wideToUtf8(modulePathOf(addressInModule)), std::to_string(GetCurrentThreadId())});
}

RecordField environmentValue(const char *name) {
    std::wstring wideName = utf8ToWide(name);
    SetLastError(0);
    DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::string();
    }
    std::vector<wchar_t> value(size);
    DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    if (length >= size) return std::string();
    return wideToUtf8(std::wstring(value.data(), length));
}
