#include "config/config_block.h"

#include <cstring>
#include <utility>

#include "diagnostics/log.h"

uint32_t MemorySource::read(void *buffer, uint32_t size, uint32_t *error) {
    *error = 0;
    uint64_t available = remaining();
    uint32_t count = size < available ? size : static_cast<uint32_t>(available);
    if (count > 0)
        memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return count;
}

const wchar_t *blockErrorText(BlockError error) {
    switch (error) {
    case BlockError::ReadInt: return L"Internal Error: readInt";
    case BlockError::ReadShort: return L"Internal Error: readShort";
    case BlockError::ReadLong: return L"Internal Error: readLong";
    case BlockError::ReadString: return L"Internal Error: readString";
    case BlockError::ReadWString: return L"Internal Error: readWString";
    case BlockError::Magic: return L"Internal Error: magic";
    default: return L"";
    }
}

static uint64_t littleEndian(const unsigned char *bytes, int count) {
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; i--)
        value = (value << 8) | bytes[i];
    return value;
}

bool readInt(ByteSource &source, int32_t *value) {
    unsigned char bytes[4];
    uint32_t error;
    uint32_t count = source.read(bytes, 4, &error);
    if (count < 4) {
        logMessage("error %d %d\n", static_cast<int>(error), static_cast<int>(count));
        return false;
    }
    *value = static_cast<int32_t>(static_cast<uint32_t>(littleEndian(bytes, 4)));
    return true;
}

bool readShort(ByteSource &source, int16_t *value) {
    unsigned char bytes[2];
    uint32_t error;
    if (source.read(bytes, 2, &error) < 2) {
        logMessage("error %d\n", static_cast<int>(error));
        return false;
    }
    *value = static_cast<int16_t>(static_cast<uint16_t>(littleEndian(bytes, 2)));
    return true;
}

bool readLong(ByteSource &source, int64_t *value) {
    unsigned char bytes[8];
    uint32_t error;
    if (source.read(bytes, 8, &error) < 8) {
        logMessage("error %d\n", static_cast<int>(error));
        return false;
    }
    *value = static_cast<int64_t>(littleEndian(bytes, 8));
    return true;
}

// A length that is negative or runs past the end of the file is a broken
// block; it must not turn into a huge allocation. A failed length read is
// reported as the integer read that failed.
static BlockError readBytes(ByteSource &source, std::string *bytes, BlockError failure) {
    int32_t length;
    if (!readInt(source, &length))
        return BlockError::ReadInt;
    if (length < 0 || static_cast<uint64_t>(length) > source.remaining())
        return failure;
    bytes->assign(static_cast<size_t>(length), '\0');
    uint32_t error;
    if (length > 0 && source.read(&(*bytes)[0], static_cast<uint32_t>(length), &error) !=
                          static_cast<uint32_t>(length))
        return failure;
    return BlockError::None;
}

BlockError readString(ByteSource &source, std::string *value) {
    return readBytes(source, value, BlockError::ReadString);
}

BlockError readWString(ByteSource &source, std::wstring *value) {
    std::string bytes;
    BlockError error = readBytes(source, &bytes, BlockError::ReadWString);
    if (error != BlockError::None)
        return error;
    value->clear();
    value->reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        value->push_back(static_cast<wchar_t>(littleEndian(reinterpret_cast<const unsigned char *>(&bytes[i]), 2)));
    return BlockError::None;
}

// Positions are computed in 64 bits: one a 32-bit seek cannot reach would
// wrap around to the start of the file and read something else.
static bool seekTo(ByteSource &source, int64_t position) {
    if (position < 0 || position > static_cast<int64_t>(UINT32_MAX))
        return false;
    source.seek(static_cast<uint32_t>(position));
    return true;
}

BlockError locateConfigBlock(ByteSource &source) {
    int32_t signatureOffset, rawDataSize, rawDataOffset;
    int16_t sections, optionalHeaderSize;
    source.seek(60);
    if (!readInt(source, &signatureOffset))
        return BlockError::ReadInt;
    int64_t p = static_cast<uint32_t>(signatureOffset);
    if (!seekTo(source, p + 6) || !readShort(source, &sections))
        return BlockError::ReadShort;
    logMessage("number of sections: %d", sections);
    if (!seekTo(source, p + 20) || !readShort(source, &optionalHeaderSize))
        return BlockError::ReadShort;
    logMessage("size of optional headers: %d", optionalHeaderSize);
    // Without a section there is no end of one to find the block behind.
    if (sections <= 0)
        return BlockError::Magic;
    int64_t tableEnd = p + 24 + optionalHeaderSize + 40 * (static_cast<int64_t>(sections) - 1);
    logMessage("resSectionTableStart: %d", static_cast<int32_t>(tableEnd));
    if (!seekTo(source, tableEnd + 16) || !readInt(source, &rawDataSize))
        return BlockError::ReadInt;
    if (!seekTo(source, tableEnd + 20) || !readInt(source, &rawDataOffset))
        return BlockError::ReadInt;
    logMessage("rawDataSize: %d, rawDataOffset: %d", rawDataSize, rawDataOffset);
    if (!seekTo(source, static_cast<int64_t>(static_cast<uint32_t>(rawDataOffset)) + static_cast<uint32_t>(rawDataSize)))
        return BlockError::Magic;
    return BlockError::None;
}

static BlockError readRecords(ByteSource &source, Settings &store) {
    int32_t count;
    if (!readInt(source, &count))
        return BlockError::ReadInt;
    for (int32_t i = 0; i < count; i++) {
        int32_t id;
        std::string value;
        if (!readInt(source, &id))
            return BlockError::ReadInt;
        BlockError error = readString(source, &value);
        if (error != BlockError::None)
            return error;
        // A repeated or earlier id replaces the value.
        store.records[id] = std::move(value);
    }
    return BlockError::None;
}

// Reads count message entries; they replace stored texts only when apply is set.
static BlockError readMessageEntries(ByteSource &source, int32_t count, Settings &store, bool apply) {
    for (int32_t i = 0; i < count; i++) {
        int32_t id;
        std::wstring text;
        if (!readInt(source, &id))
            return BlockError::ReadInt;
        BlockError error = readWString(source, &text);
        if (error != BlockError::None)
            return error;
        if (apply)
            store.messages[id] = std::move(text);
    }
    return BlockError::None;
}

static BlockError readLocaleGroups(ByteSource &source, Settings &store, const std::string &locale) {
    int32_t groups;
    if (!readInt(source, &groups))
        return BlockError::ReadInt;
    for (int32_t i = 0; i < groups; i++) {
        std::string name;
        BlockError error = readString(source, &name);
        if (error != BlockError::None)
            return error;
        bool matches = locale.compare(0, name.size(), name) == 0;
        int32_t entries;
        if (!readInt(source, &entries))
            return BlockError::ReadInt;
        error = readMessageEntries(source, entries, store, matches);
        if (error != BlockError::None)
            return error;
    }
    return BlockError::None;
}

BlockError parseConfigBlock(ByteSource &source, Settings &store, std::string (*detectLocale)(),
                            uint32_t *dataOffset) {
    int32_t magic, reserved;
    int64_t reservedLong;
    if (!readInt(source, &magic))
        return BlockError::ReadInt;
    if (static_cast<uint32_t>(magic) != CONFIG_MAGIC)
        return BlockError::Magic;
    if (!readInt(source, &reserved) || !readInt(source, &reserved))
        return BlockError::ReadInt;
    if (!readLong(source, &reservedLong))
        return BlockError::ReadLong;
    BlockError error = readRecords(source, store);
    if (error != BlockError::None)
        return error;
    int32_t messages;
    if (!readInt(source, &messages))
        return BlockError::ReadInt;
    error = readMessageEntries(source, messages, store, true);
    if (error != BlockError::None)
        return error;
    std::string locale = detectLocale ? detectLocale() : std::string("en");
    store.locale = locale;
    error = readLocaleGroups(source, store, locale);
    if (error != BlockError::None)
        return error;
    *dataOffset = source.position();
    return BlockError::None;
}
