// Whatever the writer accepts, the launcher must read back as written:
// records, messages, the locale groups that apply, and the embedded files
// behind the block where the block says they start.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "config/embedded_files_copy.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/read_back.h"
#include "tests/host/fake_executable.h"
#include "writer/block_writer.h"

namespace {

std::string fixedLocale() { return "de_AT"; }

std::u16string utf16Of(const std::string &bytes) {
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return text;
}

int32_t idOf(const std::string &piece) {
    uint32_t id = 0;
    for (size_t i = 0; i < piece.size() && i < 4; i++)
        id |= static_cast<uint32_t>(static_cast<unsigned char>(piece[i])) << (8 * i);
    return static_cast<int32_t>(id);
}

// Pieces in fours: kind, id, value; kind picks record, message, locale group
// or embedded file.
BlockContent contentOf(FuzzInput &input) {
    BlockContent content;
    while (!input.empty()) {
        std::string kind = input.piece();
        int32_t id = idOf(input.piece());
        std::string value = input.piece();
        switch (kind.empty() ? 0 : kind[0] % 4) {
        case 0: setRecord(content, id, value); break;
        case 1: setMessage(content.messages, id, utf16Of(value)); break;
        case 2:
            content.localeGroups.push_back({kind.substr(1), {}});
            setMessage(content.localeGroups.back().messages, id, utf16Of(value));
            break;
        default: content.embeddedFiles.push_back({kind.substr(1), value}); break;
        }
    }
    return content;
}

std::wstring wideOf(const std::u16string &text) { return std::wstring(text.begin(), text.end()); }

void checkMessages(const BlockContent &content, const Settings &store) {
    std::map<int32_t, std::wstring> expected;
    for (const auto &message : content.messages)
        expected[message.first] = wideOf(message.second);
    for (const LocaleGroup &group : content.localeGroups)
        if (fixedLocale().compare(0, group.name.size(), group.name) == 0)
            for (const auto &message : group.messages)
                expected[message.first] = wideOf(message.second);
    if (RecordTable<std::wstring>(expected) != store.messages)
        abort();
}

void checkEmbeddedFiles(const BlockContent &content, const std::string &launcher, uint32_t offset) {
    MemorySource source(launcher);
    source.seek(offset);
    for (const EmbeddedFile &file : content.embeddedFiles) {
        int64_t size;
        MemorySink sink;
        if (!readLong(source, &size) || size != static_cast<int64_t>(file.bytes.size()) ||
            copyScrambledBytes(source, sink, size, true) != kExtractDone || sink.bytes != file.bytes)
            abort();
    }
    if (source.remaining() != 0)
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    BlockContent content = contentOf(input);
    std::string launcher, error;
    if (!buildConfiguredLauncher(fakeExecutable(0x600), content, &launcher, &error))
        return 0;
    uint32_t offset = 0;
    Settings store = readBackBlock(launcher, fixedLocale, &offset);
    for (const auto &record : content.records)
        if (store.records[record.first] != record.second)
            abort();
    checkMessages(content, store);
    checkEmbeddedFiles(content, launcher, offset);
    return 0;
}
