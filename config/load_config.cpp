#include "config/load_config.h"

#include <cstring>

#include "common/records.h"
#include "config/locale.h"
#include "config/settings.h"
#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "paths/path_utils.h"
#include "paths/temp_dirs.h"

bool FileSource::readAt(uint32_t position, void *buffer, uint32_t size, uint32_t *count, uint32_t *error) {
    DWORD got = 0;
    *count = 0;
    *error = 0;
    LONG high = 0;
    if (SetFilePointer(file_, static_cast<LONG>(position), &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR) {
        *error = GetLastError();
        return false;
    }
    if (!ReadFile(file_, buffer, size, &got, nullptr)) {
        *error = GetLastError();
        return false;
    }
    *count = got;
    return true;
}

uint32_t FileSource::read(void *buffer, uint32_t size, uint32_t *error) {
    *error = 0;
    uint32_t count = 0;
    if (size >= kWindowSize) {
        readAt(position_, buffer, size, &count, error);
        position_ += count;
        return count;
    }
    char *out = static_cast<char *>(buffer);
    while (count < size) {
        bool inWindow = position_ >= windowStart_ && position_ - windowStart_ < windowLength_;
        if (!inWindow) {
            window_.resize(kWindowSize);
            windowStart_ = position_;
            if (!readAt(position_, window_.data(), kWindowSize, &windowLength_, error) || windowLength_ == 0)
                break;
        }
        uint32_t offset = position_ - windowStart_;
        uint32_t piece = windowLength_ - offset < size - count ? windowLength_ - offset : size - count;
        memcpy(out + count, window_.data() + offset, piece);
        count += piece;
        position_ += piece;
    }
    return count;
}

uint64_t FileSource::remaining() {
    if (!sizeKnown_) {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(file_, &size))
            return 0;
        size_ = static_cast<uint64_t>(size.QuadPart);
        sizeKnown_ = true;
    }
    return size_ > position_ ? size_ - position_ : 0;
}

UniqueHandle openOwnExecutable() {
    const wchar_t *path = getExecutablePath();
    UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        logError("Could not open %p %d %s", file.get(), static_cast<int>(GetLastError()), path);
        fatalText(L"Error opening media file.");
    }
    return file;
}

namespace {

void settingsText(const void *settings, int32_t id, wchar_t *buffer, size_t capacity) {
    static_cast<const Settings *>(settings)->messageOrRecord(id, buffer, capacity);
}

}  // namespace

void showFatalMessagesFrom(const Settings &settings) {
    failureDisplay().textSource = &settings;
    failureDisplay().messageText = settingsText;
}

int32_t loadConfigBlock(Settings &settings) {
    showFatalMessagesFrom(settings);
    UniqueHandle file = openOwnExecutable();
    FileSource source(file.get());
    BlockError error = locateConfigBlock(source);
    if (error == BlockError::None)
        error = parseConfigBlock(source, settings, detectLocale, &settings.embeddedDataOffset);
    file.reset();
    if (error != BlockError::None)
        fatalText(blockErrorText(error));
    int32_t launcherType = settings.integer(record::kLauncherType);
    if (launcherType != launcher_type::kWindowed && launcherType != launcher_type::kMessageBoxConsole)
        failureDisplay().messageBox = false;
    requestLongTempPaths(settings.flag(record::kLongTempPaths));
    return launcherType;
}
