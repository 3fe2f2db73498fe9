// The platform-neutral half of extraction and the writer's side of the same
// format, natively under the sanitizers.
#include <gtest/gtest.h>

#include <algorithm>

#include "config/config_block.h"
#include "config/embedded_files_copy.h"
#include "config/embedded_files_format.h"
#include "tests/host/log_capture.h"
#include "tests/instance/patterned_bytes.h"
#include "writer/block_writer.h"

namespace {

// Remembers how much each read asked for; can fail from a given read on.
class RecordingSource : public ByteSource {
public:
    explicit RecordingSource(const std::string &bytes) : bytes_(bytes), inner_(bytes_) {}
    void seek(uint32_t position) override { inner_.seek(position); }
    uint32_t read(void *buffer, uint32_t size, uint32_t *error) override {
        requests.push_back(size);
        if (failFrom >= 0 && static_cast<int>(requests.size()) > failFrom) {
            *error = 23;
            return 0;
        }
        return inner_.read(buffer, size, error);
    }
    uint32_t position() override { return inner_.position(); }
    uint64_t remaining() override { return inner_.remaining(); }

    std::vector<uint32_t> requests;
    int failFrom = -1;

private:
    std::string bytes_;
    MemorySource inner_;
};

// Takes at most limit bytes per call; limit 0 takes nothing yet reports success.
class TrickleSink : public ByteSink {
public:
    explicit TrickleSink(uint32_t limit, bool fail = false) : limit_(limit), fail_(fail) {}
    bool write(const void *buffer, uint32_t size, uint32_t *written, uint32_t *error) override {
        calls++;
        *error = fail_ ? 112 : 0;
        *written = fail_ ? 0 : std::min(size, limit_);
        bytes.append(static_cast<const char *>(buffer), *written);
        return !fail_;
    }
    std::string bytes;
    int calls = 0;

private:
    uint32_t limit_;
    bool fail_;
};

std::string scrambled(std::string bytes) {
    scrambleBytes(reinterpret_cast<unsigned char *>(&bytes[0]), bytes.size());
    return bytes;
}

class ScrambledCopy : public ::testing::Test {
protected:
    void SetUp() override { capturedLog().clear(); }
};

TEST_F(ScrambledCopy, CopiesInPiecesOfSixThousandBytes) {
    std::string original = patterned(6001);
    std::string stored = scrambled(original) + "trailing entry";
    RecordingSource source(stored);
    MemorySink sink;
    EXPECT_EQ(copyScrambledBytes(source, sink, 6001, true), kExtractDone);
    EXPECT_EQ(source.requests, (std::vector<uint32_t>{6000, 1}));
    EXPECT_EQ(sink.bytes, original);
    EXPECT_EQ(source.position(), 6001u);
}

TEST_F(ScrambledCopy, NothingToCopyReadsNothing) {
    for (int64_t size : {int64_t(0), int64_t(-5)}) {
        RecordingSource source("abc");
        MemorySink sink;
        EXPECT_EQ(copyScrambledBytes(source, sink, size, true), kExtractDone);
        EXPECT_TRUE(source.requests.empty());
        EXPECT_TRUE(sink.bytes.empty());
    }
}

// A broken block may claim any size; the copy ends where the data does.
TEST_F(ScrambledCopy, DataEndingEarlyOrFailingIsAReadFailure) {
    RecordingSource shortSource(std::string(7000, 'x'));
    MemorySink sink;
    EXPECT_EQ(copyScrambledBytes(shortSource, sink, INT64_MAX, true), kExtractReadFailed);
    EXPECT_TRUE(logContains(L"ERROR: ReadFile failed 0 0 7000")) << capturedLog().back();
    EXPECT_EQ(sink.bytes.size(), 7000u);

    RecordingSource failing(std::string(13000, 'x'));
    failing.failFrom = 2;
    EXPECT_EQ(copyScrambledBytes(failing, sink, 13000, true), kExtractReadFailed);
    EXPECT_TRUE(logContains(L"ERROR: ReadFile failed 0 23 12000"));
}

TEST_F(ScrambledCopy, PartialWritesContinueWhereTheyStopped) {
    std::string original = patterned(6500);
    RecordingSource source(scrambled(original));
    TrickleSink sink(777);
    EXPECT_EQ(copyScrambledBytes(source, sink, 6500, true), kExtractDone);
    EXPECT_EQ(sink.bytes, original);
}

TEST_F(ScrambledCopy, FailingOrStalledWriteIsAWriteFailure) {
    RecordingSource failing(std::string(100, 'x'));
    TrickleSink broken(100, true);
    EXPECT_EQ(copyScrambledBytes(failing, broken, 100, true), kExtractWriteFailed);
    EXPECT_TRUE(logContains(L"ERROR: WriteFile failed 100 112"));

    RecordingSource source(std::string(100, 'x'));
    TrickleSink stalled(0);
    EXPECT_EQ(copyScrambledBytes(source, stalled, 100, true), kExtractWriteFailed);
    EXPECT_EQ(stalled.calls, 1);
}

TEST(EmbeddedNames, ListSkipsEmptyPiecesAndKeepsOrder) {
    EXPECT_EQ(embeddedFileNames(";;a.jar;lib\\b.jar;;c.zip;"),
              (std::vector<std::string>{"a.jar", "lib\\b.jar", "c.zip"}));
    EXPECT_TRUE(embeddedFileNames("").empty());
    EXPECT_TRUE(embeddedFileNames(";;;").empty());
}

TEST(EmbeddedNames, OnlyTheFirstDirectoryLevelIsCreated) {
    EXPECT_EQ(embeddedFileDirectory("a.jar"), "");
    EXPECT_EQ(embeddedFileDirectory("lib\\a.jar"), "lib");
    EXPECT_EQ(embeddedFileDirectory("lib\\ext\\a.jar"), "lib");
}

TEST(EmbeddedNames, NamesLeadingOutsideTheDirectoryAreRefused) {
    for (const char *name : {"a.jar", "lib\\a.jar", "lib\\ext\\a.jar", ".hidden", "a..b", "lib/a.jar", "x...y\\z"})
        EXPECT_TRUE(isContainedEmbeddedName(name)) << name;
    for (const char *name : {"", "..", "..\\a.jar", "lib\\..\\..\\a.jar", "lib/../../a.jar", "\\a.jar", "/a.jar",
                             "\\\\server\\share\\a.jar", "C:\\a.jar", "C:a.jar", "a.jar:stream", "lib\\..",
                             ".. \\a.jar", "...\\a.jar", ".", "lib\\.\\a.jar"})
        EXPECT_FALSE(isContainedEmbeddedName(name)) << name;
}

// Just enough PE header for the writer: one section whose raw data ends at 0x400.
std::string tinyExecutable() {
    std::string bytes(0x400, '\0');
    bytes.replace(0, 2, "MZ");
    bytes[60] = 0x40;
    bytes.replace(0x40, 4, std::string("PE\0\0", 4));
    bytes[0x40 + 6] = 1;
    bytes[0x58 + 16 + 1] = 0x02;
    bytes[0x58 + 20 + 1] = 0x02;
    return bytes;
}

std::string detectNothing() { return "en"; }

struct Written {
    bool ok;
    std::string error;
    std::string launcher;
};

Written build(const BlockContent &content) {
    Written written;
    written.ok = buildConfiguredLauncher(tinyExecutable(), content, &written.launcher, &written.error);
    return written;
}

BlockContent withFiles(std::vector<EmbeddedFile> files) {
    BlockContent content;
    setRecord(content, 101, "Service");
    content.embeddedFiles = files;
    return content;
}

// Reads the block as the launcher does and leaves the source at the first entry.
Settings parsedBlock(ByteSource &source) {
    Settings store;
    uint32_t dataOffset = 0;
    EXPECT_EQ(locateConfigBlock(source), BlockError::None);
    EXPECT_EQ(parseConfigBlock(source, store, detectNothing, &dataOffset), BlockError::None);
    EXPECT_EQ(dataOffset, source.position());
    return store;
}

TEST(BlockWriterEmbedding, FilesFollowTheBlockAndFillTheirRecords) {
    Written written = build(withFiles({{"lib\\a.jar", patterned(6001)}, {"empty.txt", ""}, {"b.zip", "zip"}}));
    ASSERT_TRUE(written.ok) << written.error;
    MemorySource source(written.launcher);
    Settings store = parsedBlock(source);
    EXPECT_EQ(store.records[2002], "3");
    EXPECT_EQ(store.records[2003], "lib\\a.jar;empty.txt;b.zip;");
    EXPECT_EQ(store.records[101], "Service");

    std::vector<std::string> contents;
    for (const std::string &name : embeddedFileNames(store.records[2003])) {
        int64_t size;
        ASSERT_TRUE(readLong(source, &size)) << name;
        MemorySink sink;
        EXPECT_EQ(copyScrambledBytes(source, sink, size, true), kExtractDone);
        contents.push_back(sink.bytes);
    }
    EXPECT_EQ(contents, (std::vector<std::string>{patterned(6001), "", "zip"}));
    EXPECT_EQ(source.remaining(), 0u);
}

TEST(BlockWriterEmbedding, EntryIsA64BitSizeAndScrambledBytes) {
    std::string entries = serializeEmbeddedFiles({{"a", "AB"}, {"b", ""}});
    std::string expected = std::string("\x02\0\0\0\0\0\0\0", 8) + scrambled("AB") + std::string(8, '\0');
    EXPECT_EQ(entries, expected);
}

TEST(BlockWriterEmbedding, RefusesNamesTheLauncherCouldNotExtract) {
    const struct {
        const char *name;
        const char *reason;
    } cases[] = {
        {"..\\evil.dll", "must stay inside"},  {"C:\\evil.dll", "must stay inside"},
        {"\\evil.dll", "must stay inside"},    {"", "must stay inside"},
        {"lib/a.jar", "not /"},                {"a;b.jar", "separates the names"},
        {"a?.jar", "refuses in file names"},   {"a\tb.jar", "refuses in file names"},
        {"lib\\ext\\a.jar", "one directory"},  {"lib\\", "must end with a file name"},
    };
    for (const auto &c : cases) {
        Written written = build(withFiles({{c.name, "x"}}));
        EXPECT_FALSE(written.ok) << c.name;
        EXPECT_NE(written.error.find(c.reason), std::string::npos) << c.name << ": " << written.error;
        EXPECT_TRUE(written.launcher.empty()) << c.name;
    }
}

TEST(BlockWriterEmbedding, RefusesClashingNamesAndRecords) {
    Written twice = build(withFiles({{"lib\\A.jar", "1"}, {"LIB\\a.JAR", "2"}}));
    EXPECT_FALSE(twice.ok);
    EXPECT_NE(twice.error.find("used twice"), std::string::npos) << twice.error;

    BlockContent content = withFiles({{"a.jar", "1"}});
    setRecord(content, 2003, "other.jar;");
    Written clash = build(content);
    EXPECT_FALSE(clash.ok);
    EXPECT_NE(clash.error.find("record 2003"), std::string::npos) << clash.error;
}

}  // namespace
