#include "config/settings.h"

#include <climits>
#include <cstring>

#include "common/text.h"
#include "diagnostics/log.h"

const std::string *Settings::find(int32_t id) const {
    auto found = records.find(id);
    return found == records.end() ? nullptr : &found->second;
}

static void logTruncation(int32_t id, size_t capacity, size_t length) {
    logMessage("ERROR: config string %d truncated (%d %d)", static_cast<int>(id), static_cast<int>(capacity),
               static_cast<int>(length));
}

// Narrow buffers take the bytes as they are; wide ones widen each byte.
static bool copyRecordValue(char *buffer, size_t capacity, const char *value) {
    return copyText(buffer, capacity, value);
}
static bool copyRecordValue(wchar_t *buffer, size_t capacity, const char *value) {
    return widenBytes(buffer, capacity, value);
}

template <typename Char>
void Settings::readInto(int32_t id, Char *buffer, size_t capacity) const {
    if (capacity == 0)
        return;
    const std::string *value = find(id);
    if (!value) {
        buffer[0] = 0;
        return;
    }
    if (!copyRecordValue(buffer, capacity, value->c_str()))
        logTruncation(id, capacity, value->size());
}

void Settings::text(TextSetting setting, char *buffer, size_t capacity) const {
    readInto(setting.id, buffer, capacity);
}
void Settings::text(TextSetting setting, wchar_t *buffer, size_t capacity) const {
    readInto(setting.id, buffer, capacity);
}

std::string Settings::text(TextSetting setting) const {
    const std::string *value = find(setting.id);
    return value ? value->c_str() : std::string();
}

bool Settings::isEmpty(int32_t id) const {
    const std::string *value = find(id);
    return !value || value->empty();
}

int32_t parseConfigInt(const char *text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        text++;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        text++;
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; text++) {
        value = value * 10 + (*text - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1)
            value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative)
        return static_cast<int32_t>(-value);
    return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

// Numbers are read through a text buffer like the texts, with its limit.
static int32_t readNumber(const Settings &settings, int32_t id) {
    char text[kRecordTextCapacity];
    settings.text(TextSetting{id}, text, sizeof text);
    return parseConfigInt(text);
}

bool Settings::flag(FlagSetting setting) const { return readNumber(*this, setting.id) != 0; }

bool Settings::flag(SwitchSetting setting) const {
    const std::string *value = find(setting.id);
    return value && *value == "1";
}

int32_t Settings::integer(IntSetting setting) const { return readNumber(*this, setting.id); }

bool Settings::clamped(ClampedSetting setting, int32_t *value, bool *outside) const {
    const std::string *text = find(setting.id);
    if (!text || text->empty())
        return false;
    int32_t read = parseConfigInt(text->c_str());
    *value = read < setting.low ? setting.low : read > setting.high ? setting.high : read;
    *outside = *value != read;
    return true;
}

uint64_t parseByteCount(const std::string &text) {
    const uint64_t kLimit = uint64_t(1) << 62;
    uint64_t size = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || size > kLimit / 10) {
            logError("output rotation size \"%S\" is no byte count; files are not rotated", text.c_str());
            return 0;
        }
        size = size * 10 + static_cast<uint64_t>(c - '0');
    }
    return size;
}

uint64_t Settings::byteCount(ByteCountSetting setting) const { return parseByteCount(text(TextSetting{setting.id})); }

void Settings::message(int32_t id, wchar_t *buffer, size_t capacity) const {
    if (capacity == 0)
        return;
    auto found = messages.find(id);
    if (found == messages.end()) {
        buffer[0] = 0;
        return;
    }
    if (!copyText(buffer, capacity, found->second.c_str()))
        logMessage("ERROR: message %d truncated (%d %d)", static_cast<int>(id), static_cast<int>(capacity),
                   static_cast<int>(found->second.size()));
}

void Settings::messageOrRecord(int32_t id, wchar_t *buffer, size_t capacity) const {
    message(id, buffer, capacity);
    if (capacity > 0 && buffer[0] == 0)
        readInto(id, buffer, capacity);
}
