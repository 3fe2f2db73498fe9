#include "config/load_config.h"

#include "common/records.h"
#include "config/config_store.h"
#include "config/locale.h"
#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "paths/path_utils.h"
#include "paths/temp_dirs.h"

void FileSource::seek(uint32_t position) { SetFilePointer(file_, static_cast<LONG>(position), nullptr, FILE_BEGIN); }

uint32_t FileSource::read(void *buffer, uint32_t size, uint32_t *error) {
    DWORD count = 0;
    *error = 0;
    if (!ReadFile(file_, buffer, size, &count, nullptr))
        *error = GetLastError();
    return count;
}

uint32_t FileSource::position() { return SetFilePointer(file_, 0, nullptr, FILE_CURRENT); }

uint64_t FileSource::remaining() {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file_, &size))
        return 0;
    uint64_t current = position();
    return static_cast<uint64_t>(size.QuadPart) > current ? static_cast<uint64_t>(size.QuadPart) - current : 0;
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
