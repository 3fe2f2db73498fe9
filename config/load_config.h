// Reading the configuration block from the launcher's own executable.
#ifndef PELLUX_CONFIG_LOAD_CONFIG_H
#define PELLUX_CONFIG_LOAD_CONFIG_H

#include <windows.h>

#include <vector>

#include "common/win32_handles.h"
#include "config/config_block.h"
#include "config/settings.h"

// The executable opened for reading; ends the process with "Error opening
// media file." when that fails.
UniqueHandle openOwnExecutable();

// A ByteSource over an open file handle. The block is read a few bytes at a
// time, so small reads are served from a window of the file read at once.
class FileSource : public ByteSource {
public:
    explicit FileSource(HANDLE file) : file_(file) {}
    void seek(uint32_t position) override { position_ = position; }
    uint32_t read(void *buffer, uint32_t size, uint32_t *error) override;
    uint32_t position() override { return position_; }
    uint64_t remaining() override;

private:
    // Reads up to size bytes at the position, past the window; false on failure.
    bool readAt(uint32_t position, void *buffer, uint32_t size, uint32_t *count, uint32_t *error);

    static const uint32_t kWindowSize = 64 * 1024;
    HANDLE file_;
    uint32_t position_ = 0;
    std::vector<char> window_;
    uint32_t windowStart_ = 0;
    uint32_t windowLength_ = 0;
    uint64_t size_ = 0;
    bool sizeKnown_ = false;
};

// Fatal errors show the messages of settings from now on, so settings must
// outlive every later failure.
void showFatalMessagesFrom(const Settings &settings);

// Parses the block into settings and returns the launcher type (record 107).
// Fatal errors show the messages of settings from then on, so they must
// outlive every later failure. Every read failure is fatal with its own text.
int32_t loadConfigBlock(Settings &settings);

#endif
