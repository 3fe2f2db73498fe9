// The configuration read once at start-up from the block appended to the
// executable: config records (id to narrow text) and message texts (id to
// UTF-16 text), read through typed accessors that take the handles of
// common/records.h. Missing and empty records read alike: as the empty text,
// 0 or off.
#ifndef PELLUX_CONFIG_SETTINGS_H
#define PELLUX_CONFIG_SETTINGS_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/settings_schema.h"
#include "config/record_table.h"

struct Settings {
    RecordTable<std::string> records;
    RecordTable<std::wstring> messages;
    // Where the embedded files begin in the executable.
    uint32_t embeddedDataOffset = 0;
    // The locale whose message texts apply; empty before the block is read.
    // Initialised here so that tests may write Settings{records, messages}.
    std::string locale{};

    // Copies at most capacity - 1 bytes; a longer value is cut and logged.
    void text(TextSetting setting, char *buffer, size_t capacity) const;
    // The value widened byte by byte; a longer value is cut and logged.
    void text(TextSetting setting, wchar_t *buffer, size_t capacity) const;
    std::string text(TextSetting setting) const;
    bool isEmpty(int32_t id) const;
    // Any record's text as written, to show it, not to read a value from it.
    std::string shownText(int32_t id) const { return text(TextSetting{id}); }
    // On unless the value reads as the number 0.
    bool flag(FlagSetting setting) const;
    // On only when the value is exactly "1".
    bool flag(SwitchSetting setting) const;
    // Signed decimal after leading white space; 0 without digits. Values
    // beyond 32 bits saturate.
    int32_t integer(IntSetting setting) const;
    // False when missing or empty; else the value clamped into the schema's
    // bounds, with *outside set to the text when it lay outside them.
    bool clamped(ClampedSetting setting, int32_t *value, bool *outside) const;
    // Decimal digits only; anything else is logged and reads as 0.
    uint64_t byteCount(ByteCountSetting setting) const;

    void message(int32_t id, wchar_t *buffer, size_t capacity) const;
    // The message text, or else the config record of the same id.
    void messageOrRecord(int32_t id, wchar_t *buffer, size_t capacity) const;

private:
    const std::string *find(int32_t id) const;
    template <typename Char>
    void readInto(int32_t id, Char *buffer, size_t capacity) const;
};

int32_t parseConfigInt(const char *text);
// A byte count of decimal digits; anything else is logged and reads as 0, so
// that a damaged record leaves the redirected files unrotated rather than tiny.
uint64_t parseByteCount(const std::string &text);

#endif
