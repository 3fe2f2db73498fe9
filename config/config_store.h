// The configuration read once at start-up from the block appended to the
// executable: config records (id to narrow text) and message texts (id to
// UTF-16 text), and the accessors every subsystem reads them through. Missing
// and empty records read alike: as the empty text or 0.
#ifndef PELLUX_CONFIG_CONFIG_STORE_H
#define PELLUX_CONFIG_CONFIG_STORE_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

struct ConfigStore {
    std::map<int32_t, std::string> records;
    std::map<int32_t, std::wstring> messages;
    // Where the embedded files begin in the executable.
    uint32_t embeddedDataOffset = 0;
    // The locale whose message texts apply; empty before the block is read.
    std::string locale;
};

// The process-wide store; filled by loadConfigBlock, read-only afterwards.
ConfigStore &configStore();

// Copies at most capacity - 1 bytes; a longer value is cut and logged.
void getConfigString(int32_t id, char *buffer, size_t capacity);
// The value widened byte by byte; a longer value is cut and logged.
void getConfigStringW(int32_t id, wchar_t *buffer, size_t capacity);
std::string getConfigStringCopy(int32_t id);
// Signed decimal after leading white space; 0 without digits. Values beyond
// 32 bits saturate.
int32_t getConfigInt(int32_t id);
void getMessageText(int32_t id, wchar_t *buffer, size_t capacity);
// The message text, or else the config record of the same id.
void getText(int32_t id, wchar_t *buffer, size_t capacity);

int32_t parseConfigInt(const char *text);


#endif
