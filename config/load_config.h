// Reading the configuration block from the launcher's own executable.
#ifndef PELLUX_CONFIG_LOAD_CONFIG_H
#define PELLUX_CONFIG_LOAD_CONFIG_H

#include <windows.h>

#include "common/win32_handles.h"
#include "config/config_block.h"

// The executable opened for reading; ends the process with "Error opening
// media file." when that fails.
UniqueHandle openOwnExecutable();

// A ByteSource over an open file handle.
class FileSource : public ByteSource {
public:
    explicit FileSource(HANDLE file) : file_(file) {}
    void seek(uint32_t position) override;
    uint32_t read(void *buffer, uint32_t size, uint32_t *error) override;
    uint32_t position() override;
    uint64_t remaining() override;

private:
    HANDLE file_;
};

// Parses the block into the process-wide store and returns the launcher type
// (record 107). Every read failure is fatal with its own text.
int32_t loadConfigBlock();

#endif
