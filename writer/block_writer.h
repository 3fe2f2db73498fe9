// Writing the configuration block onto a launcher executable. Shared by the
// packaging tool and by tests that build configured launchers.
#ifndef PELLUX_WRITER_BLOCK_WRITER_H
#define PELLUX_WRITER_BLOCK_WRITER_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

typedef std::vector<std::pair<int32_t, std::u16string>> MessageList;

struct LocaleGroup {
    std::string name;
    MessageList messages;
};

struct BlockContent {
    std::vector<std::pair<int32_t, std::string>> records;
    MessageList messages;
    std::vector<LocaleGroup> localeGroups;
};

// The messages every block carries unless the project replaces them.
MessageList defaultMessages();

// Sets a record, replacing an earlier one of the same id.
void setRecord(BlockContent &content, int32_t id, const std::string &value);
void setMessage(MessageList &messages, int32_t id, const std::u16string &text);

// The block's bytes: magic, reserved fields, records, messages, locale groups.
std::string serializeConfigBlock(const BlockContent &content);

// Where the last section's raw data ends; false with a reason when the bytes
// are not a PE executable or its section table lies outside the file.
bool findEndOfLastSection(const std::string &executable, uint32_t *end, std::string *error);

// The stub cut after its last section, with the block appended.
bool buildConfiguredLauncher(const std::string &stub, const BlockContent &content, std::string *launcher,
                             std::string *error);

// UTF-8 to UTF-16; false for malformed input.
bool utf16FromUtf8(const std::string &text, std::u16string *out);

#endif
