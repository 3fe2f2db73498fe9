// The configuration block appended after the executable's last PE section:
// how to find it and how to read it into a Settings. The reading works on
// any ByteSource, so the launcher, the block writer and the tests share it.
#ifndef PELLUX_CONFIG_CONFIG_BLOCK_H
#define PELLUX_CONFIG_CONFIG_BLOCK_H

#include <cstdint>
#include <string>

#include "config/settings.h"

const uint32_t CONFIG_MAGIC = 0xE8E413D5;

// A file or a memory image read at a current position with absolute 32-bit seeks.
class ByteSource {
public:
    virtual ~ByteSource() {}
    virtual void seek(uint32_t position) = 0;
    // Reads up to size bytes; returns the count read, and on failure the
    // system error code through error (0 when there is none).
    virtual uint32_t read(void *buffer, uint32_t size, uint32_t *error) = 0;
    virtual uint32_t position() = 0;
    // Bytes from the current position to the end.
    virtual uint64_t remaining() = 0;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(const std::string &bytes) : bytes_(bytes) {}
    void seek(uint32_t position) override { position_ = position; }
    uint32_t read(void *buffer, uint32_t size, uint32_t *error) override;
    uint32_t position() override { return position_; }
    uint64_t remaining() override { return position_ < bytes_.size() ? bytes_.size() - position_ : 0; }

private:
    const std::string &bytes_;
    uint32_t position_ = 0;
};

// Which read failed; each has its own fatal text.
enum class BlockError { None, ReadInt, ReadShort, ReadLong, ReadString, ReadWString, Magic };
const wchar_t *blockErrorText(BlockError error);

// The primitives; the fixed-size ones log their failure and answer false, the
// counted ones answer which read failed (BlockError::None on success).
bool readInt(ByteSource &source, int32_t *value);
bool readShort(ByteSource &source, int16_t *value);
bool readLong(ByteSource &source, int64_t *value);
BlockError readString(ByteSource &source, std::string *value);
BlockError readWString(ByteSource &source, std::wstring *value);

// Moves the source to the first byte after the last section's raw data.
BlockError locateConfigBlock(ByteSource &source);

// Reads the block at the current position into the store. detectLocale is
// called once, between the messages and the locale groups, and names the
// locale whose groups apply. On success dataOffset receives the
// position after the last group.
BlockError parseConfigBlock(ByteSource &source, Settings &store, std::string (*detectLocale)(),
                            uint32_t *dataOffset);

#endif
