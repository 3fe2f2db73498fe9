#include "config/load_config.h"

#include "common/records.h"
#include "config/config_store.h"
#include "config/locale.h"
#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "paths/path_utils.h"
#include "paths/temp_dirs.h"

// 64-bit throughout: a 32-bit seek reads offsets past 2 GiB as negative and
// fails, and the next read would come from wherever the file stood.
void FileSource::seek(uint32_t position) {
    LARGE_INTEGER offset;
    offset.QuadPart = position;
    SetFilePointerEx(file_, offset, nullptr, FILE_BEGIN);
}

uint32_t FileSource::read(void *buffer, uint32_t size, uint32_t *error) {
    DWORD count = 0;
    *error = 0;
    if (!ReadFile(file_, buffer, size, &count, nullptr))
        *error = GetLastError();
    return count;
}

// An offset past 4 GiB has no 32-bit form: it reads as the largest one
// rather than wrapping to the start of the file.
uint32_t FileSource::position() {
    LARGE_INTEGER zero = {}, current = {};
    SetFilePointerEx(file_, zero, &current, FILE_CURRENT);
    return current.QuadPart > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(current.QuadPart);
}

uint64_t FileSource::remaining() {
    LARGE_INTEGER size, zero = {}, current = {};
    if (!GetFileSizeEx(file_, &size) || !SetFilePointerEx(file_, zero, &current, FILE_CURRENT))
        return 0;
    return size.QuadPart > current.QuadPart ? static_cast<uint64_t>(size.QuadPart - current.QuadPart) : 0;
}

UniqueHandle openOwnExecutable() {
    const wchar_t *path = getExecutablePath();
    UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        logError(L"Could not open %p %d %s", file.get(), static_cast<int>(GetLastError()), path);
        fatalText(L"Error opening media file.");
    }
    return file;
}

int32_t loadConfigBlock() {
    failureDisplay().messageText = getText;
    UniqueHandle file = openOwnExecutable();
    FileSource source(file.get());
    BlockError error = locateConfigBlock(source);
    if (error == BlockError::None)
        error = parseConfigBlock(source, configStore(), detectLocale, &embeddedDataOffset);
    file.reset();
    if (error != BlockError::None)
        fatalText(blockErrorText(error));
    int32_t launcherType = getConfigInt(record::kLauncherType);
    if (launcherType != launcher_type::kWindowed && launcherType != launcher_type::kMessageBoxConsole)
        failureDisplay().messageBox = false;
    requestLongTempPaths(getConfigInt(record::kLongTempPaths) != 0);
    return launcherType;
}
