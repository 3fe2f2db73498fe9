#include "config/config_store.h"

#include <climits>
#include <cstring>

#include "common/text.h"
#include "diagnostics/log.h"


ConfigStore &configStore() {
    static ConfigStore store;
    return store;
}

static const std::string *findRecord(int32_t id) {
    const ConfigStore &store = configStore();
    auto found = store.records.find(id);
    return found == store.records.end() ? nullptr : &found->second;
}

static void logTruncation(int32_t id, size_t capacity, size_t length) {
    logMessage(L"ERROR: config string %d truncated (%d %d)", static_cast<int>(id), static_cast<int>(capacity),
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
static void readRecordInto(int32_t id, Char *buffer, size_t capacity) {
    if (capacity == 0)
        return;
    const std::string *value = findRecord(id);
    if (!value) {
        buffer[0] = 0;
        return;
    }
    if (!copyRecordValue(buffer, capacity, value->c_str()))
        logTruncation(id, capacity, value->size());
}

void getConfigString(int32_t id, char *buffer, size_t capacity) { readRecordInto(id, buffer, capacity); }
void getConfigStringW(int32_t id, wchar_t *buffer, size_t capacity) { readRecordInto(id, buffer, capacity); }

std::string getConfigStringCopy(int32_t id) {
    const std::string *value = findRecord(id);
    return value ? value->c_str() : std::string();
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

int32_t getConfigInt(int32_t id) {
    char text[6000];
    getConfigString(id, text, sizeof text);
    return parseConfigInt(text);
}

void getMessageText(int32_t id, wchar_t *buffer, size_t capacity) {
    if (capacity == 0)
        return;
    const ConfigStore &store = configStore();
    auto found = store.messages.find(id);
    if (found == store.messages.end()) {
        buffer[0] = 0;
        return;
    }
    if (!copyText(buffer, capacity, found->second.c_str()))
        logMessage(L"ERROR: message %d truncated (%d %d)", static_cast<int>(id), static_cast<int>(capacity),
                   static_cast<int>(found->second.size()));
}

void getText(int32_t id, wchar_t *buffer, size_t capacity) {
    getMessageText(id, buffer, capacity);
    if (capacity > 0 && buffer[0] == 0)
        getConfigStringW(id, buffer, capacity);
}
