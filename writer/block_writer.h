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

// A file carried behind the block and extracted by the launcher into its
// temporary directory under name (at most one directory level, backslashes).
struct EmbeddedFile {
    std::string name;
    std::string bytes;
};

struct BlockContent {
    std::vector<std::pair<int32_t, std::string>> records;
    MessageList messages;
    std::vector<LocaleGroup> localeGroups;
    std::vector<EmbeddedFile> embeddedFiles;
};

// The messages every block carries unless the project replaces them.
MessageList defaultMessages();

// Sets a record, replacing an earlier one of the same id.
void setRecord(BlockContent &content, int32_t id, const std::string &value);
void setMessage(MessageList &messages, int32_t id, const std::u16string &text);

// The block's bytes: magic, reserved fields, records, messages, locale groups.
std::string serializeConfigBlock(const BlockContent &content);

// False with a reason when the launcher could not extract the name: empty,
// absolute, with a drive, a ";", a "/", a parent or empty segment, characters
// Windows refuses in file names, or more than one directory level.
bool checkEmbeddedFileName(const std::string &name, std::string *error);

// The entries behind the block: each file's size (64-bit) and its scrambled
// bytes, in list order. Records 2002 and 2003 are not touched.
std::string serializeEmbeddedFiles(const std::vector<EmbeddedFile> &files);

// Where the last section's raw data ends; false with a reason when the bytes
// are not a PE executable or its section table lies outside the file.
bool findEndOfLastSection(const std::string &executable, uint32_t *end, std::string *error);

// The stub cut after its last section, with the block and the embedded files
// appended. With embedded files, records 2002 (count) and 2003 (names) are
// written from the list; names are checked, and so are clashes: two names
// for one file, or records 2002/2003 given as well.
bool buildConfiguredLauncher(const std::string &stub, const BlockContent &content, std::string *launcher,
                             std::string *error);

// UTF-8 to UTF-16; false for malformed input.
bool utf16FromUtf8(const std::string &text, std::u16string *out);

#endif
