#include <gtest/gtest.h>

#include <cstring>

#include "common/records.h"
#include "config/config_block.h"
#include "tests/host/fake_executable.h"
#include "tests/host/log_capture.h"
#include "writer/block_writer.h"

namespace {

std::string detectedLocale = "en";
std::string fixedLocale() { return detectedLocale; }

struct Loaded {
    BlockError error;
    Settings store;
    uint32_t dataOffset = 0;
};

Loaded load(const std::string &file) {
    Loaded loaded;
    MemorySource source(file);
    loaded.error = locateConfigBlock(source);
    if (loaded.error == BlockError::None)
        loaded.error = parseConfigBlock(source, loaded.store, fixedLocale, &loaded.dataOffset);
    return loaded;
}

std::string configured(const BlockContent &content) {
    std::string launcher, error;
    EXPECT_TRUE(buildConfiguredLauncher(fakeExecutable(0x800), content, &launcher, &error)) << error;
    return launcher;
}

class ConfigBlock : public ::testing::Test {
protected:
    void SetUp() override {
        capturedLog().clear();
        detectedLocale = "en";
    }
};

TEST_F(ConfigBlock, EmptyBlockLoadsWithNothingInIt) {
    std::string file = configured(BlockContent());
    Loaded loaded = load(file);
    ASSERT_EQ(loaded.error, BlockError::None);
    EXPECT_TRUE(loaded.store.records.empty());
    EXPECT_TRUE(loaded.store.messages.empty());
    EXPECT_EQ(loaded.dataOffset, file.size());
    EXPECT_TRUE(logContains(L"number of sections: 2"));
    EXPECT_TRUE(logContains(L"rawDataSize: 1024, rawDataOffset: 1024"));
}

TEST_F(ConfigBlock, RecordsAndMessagesRoundTrip) {
    BlockContent content;
    content.records = {{record::kServiceName, "MyService"}, {record::kWorkingDirectory, ""}, {record::kLauncherType, "4"}};
    content.messages = {{message::kMainClassNotLoaded, u"Couldn't load main class."}, {message::kNoJvmFound, u"line1\nline2 \u00e9\u4e2d"}};
    Loaded loaded = load(configured(content));
    ASSERT_EQ(loaded.error, BlockError::None);
    EXPECT_EQ(loaded.store.records[101], "MyService");
    EXPECT_EQ(loaded.store.records[146], "");
    EXPECT_EQ(loaded.store.messages[1016], L"line1\nline2 \u00e9\u4e2d");
}

TEST_F(ConfigBlock, RepeatedIdKeepsTheLaterValue) {
    BlockContent content;
    content.records = {{record::kServiceName, "first"}, {record::kServiceName, "second"}};
    Loaded loaded = load(configured(content));
    EXPECT_EQ(loaded.store.records[101], "second");
}

TEST_F(ConfigBlock, LocaleGroupsApplyByPrefixInFileOrder) {
    BlockContent content;
    content.messages = {{message::kErrorCaption, u"Error"}, {message::kMainClassNotLoaded, u"main class"}};
    content.localeGroups = {{"de", {{message::kErrorCaption, u"Fehler"}, {message::kMainClassNotLoaded, u"Hauptklasse"}}},
                            {"de_AT", {{message::kErrorCaption, u"Fehler (AT)"}}},
                            {"fr", {{message::kErrorCaption, u"Erreur"}}},
                            {"de", {{message::kErrorCaption, u"Fehler, zuletzt"}, {2000, u"neu"}}}};
    detectedLocale = "de_AT";
    Loaded loaded = load(configured(content));
    ASSERT_EQ(loaded.error, BlockError::None);
    EXPECT_EQ(loaded.store.messages[1000], L"Fehler, zuletzt");
    EXPECT_EQ(loaded.store.messages[1010], L"Hauptklasse");
    EXPECT_EQ(loaded.store.messages[2000], L"neu");

    detectedLocale = "de";
    loaded = load(configured(content));
    EXPECT_EQ(loaded.store.messages[1000], L"Fehler, zuletzt");
    content.localeGroups.pop_back();
    loaded = load(configured(content));
    EXPECT_EQ(loaded.store.messages[1000], L"Fehler") << "de_AT must not apply to de";
}

TEST_F(ConfigBlock, EmptyGroupNameMatchesEveryLocale) {
    BlockContent content;
    content.localeGroups = {{"", {{message::kErrorCaption, u"any"}}}};
    detectedLocale = "ja_JP";
    EXPECT_EQ(load(configured(content)).store.messages[1000], L"any");
}

TEST_F(ConfigBlock, ExecutableWithoutBlockFailsOnTheMagic) {
    std::string file = fakeExecutable(0x800) + std::string(64, 'x');
    EXPECT_EQ(load(file).error, BlockError::Magic);
    EXPECT_STREQ(blockErrorText(BlockError::Magic), L"Internal Error: magic");
}

TEST_F(ConfigBlock, BlockEndingAtTheLastSectionFailsOnReadInt) {
    Loaded loaded = load(fakeExecutable(0x800));
    EXPECT_EQ(loaded.error, BlockError::ReadInt);
    EXPECT_TRUE(logContains(L"error 0 0\n"));
}

// A length that is negative or larger than the rest of the file is the
// primitive's failure, not an allocation of gigabytes.
TEST_F(ConfigBlock, ImpossibleLengthsFailWithTheirPrimitive) {
    BlockContent content;
    content.records = {{record::kServiceName, "name"}};
    std::string file = configured(content);
    size_t lengthField = 0x800 + 24 + 4;
    for (uint32_t length : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0x1000u}) {
        std::string broken = file;
        putAt(broken, lengthField, length, 4);
        EXPECT_EQ(load(broken).error, BlockError::ReadString) << length;
    }

    content.records.clear();
    content.messages = {{message::kErrorCaption, u"Error"}};
    file = configured(content);
    std::string broken = file;
    putAt(broken, 0x800 + 24 + 4 + 4, 0x7FFFFFF0u, 4);
    EXPECT_EQ(load(broken).error, BlockError::ReadWString);
}

TEST_F(ConfigBlock, TruncatedBlockFailsAtEveryCut) {
    BlockContent content;
    content.records = {{record::kServiceName, "name"}, {record::kLauncherType, "4"}};
    content.messages = {{message::kErrorCaption, u"Error"}};
    content.localeGroups = {{"de", {{message::kErrorCaption, u"Fehler"}}}};
    std::string file = configured(content);
    for (size_t cut = 0x800; cut < file.size(); cut++) {
        Loaded loaded = load(file.substr(0, cut));
        EXPECT_NE(loaded.error, BlockError::None) << "cut at " << cut;
    }
    EXPECT_EQ(load(file.substr(0, 0x800 + 14)).error, BlockError::ReadLong);
}

TEST_F(ConfigBlock, HugeCountsEndAtTheEndOfTheFile) {
    std::string file = configured(BlockContent());
    putAt(file, 0x800 + 20, 0x7FFFFFFF, 4);
    EXPECT_EQ(load(file).error, BlockError::ReadInt);
}

// Offsets that a 32-bit seek would wrap around to the start of the file, and
// a header without sections, end with the designed errors.
TEST_F(ConfigBlock, GarbageHeaderGetsTheDesignedError) {
    std::string file = fakeExecutable(0x800);
    for (uint32_t value : {0u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x800u, 0x12345678u}) {
        std::string broken = file;
        putAt(broken, 60, value, 4);
        EXPECT_NE(load(broken).error, BlockError::None);
        broken = file;
        putAt(broken, 0x80 + 6, value, 2);
        load(broken);
    }
    std::string broken = file;
    putAt(broken, 60, 0xFFFFFFF0u, 4);
    EXPECT_EQ(load(broken).error, BlockError::ReadShort);
    broken = file;
    putAt(broken, 0x80 + 6, 0, 2);
    EXPECT_EQ(load(broken).error, BlockError::Magic);
    broken = file;
    putAt(broken, 0x80 + 24 + 0xE0 + 40 + 20, 0xFFFFFF00u, 4);
    EXPECT_EQ(load(broken).error, BlockError::Magic);
}

TEST(BlockWriter, RefusesFilesThatAreNotExecutables) {
    std::string launcher, error;
    EXPECT_FALSE(buildConfiguredLauncher("not a program", BlockContent(), &launcher, &error));
    EXPECT_NE(error.find("not a PE"), std::string::npos);
    std::string shortened = fakeExecutable(0x800).substr(0, 0x600);
    EXPECT_FALSE(buildConfiguredLauncher(shortened, BlockContent(), &launcher, &error));
    EXPECT_NE(error.find("beyond the end"), std::string::npos);
}

TEST(BlockWriter, ReplacesWhateverFollowsTheLastSection) {
    BlockContent first, second;
    first.records = {{record::kServiceName, "old"}};
    second.records = {{record::kServiceName, "new"}};
    std::string launcher, again, error;
    ASSERT_TRUE(buildConfiguredLauncher(fakeExecutable(0x800), first, &launcher, &error));
    ASSERT_TRUE(buildConfiguredLauncher(launcher, second, &again, &error));
    EXPECT_EQ(again.size(), launcher.size());
    EXPECT_EQ(load(again).store.records[101], "new");
}

TEST(BlockWriter, DefaultMessagesCarryTheFixedTexts) {
    MessageList messages = defaultMessages();
    auto text = [&](int32_t id) {
        for (const auto &message : messages)
            if (message.first == id)
                return message.second;
        return std::u16string();
    };
    for (int32_t id = 1000; id <= 1021; id++)
        EXPECT_FALSE(text(id).empty()) << id;
    EXPECT_FALSE(text(20017).empty());
    EXPECT_EQ(text(1009), u"An internal error occurred (error code: {0})");
    EXPECT_EQ(text(1006), u"File or directory {0} not found or empty\n");
    EXPECT_EQ(text(1016).rfind(u"No JVM could be found on your system.\nPlease define PELLUX_JAVA_HOME\nto point to "
                               u"an installed {0}-bit JDK or JRE or download a JRE from ", 0),
              0u);
}

TEST(BlockWriter, Utf8ConversionRejectsMalformedInput) {
    std::u16string out;
    EXPECT_TRUE(utf16FromUtf8("a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", &out));
    EXPECT_EQ(out, u"a\u00e9\u4e2d\U0001F600");
    EXPECT_FALSE(utf16FromUtf8("\xC3", &out));
    EXPECT_FALSE(utf16FromUtf8("\xC0\x80", &out));
    EXPECT_FALSE(utf16FromUtf8("\xED\xA0\x80", &out));
    EXPECT_FALSE(utf16FromUtf8("\xFF", &out));
}

}  // namespace
