// Copies of this program carrying a block and embedded files, run in the
// extract role: what lands in the launcher temporary directory, and how
// failures end the process.
#include <gtest/gtest.h>

#include "common/records.h"
#include "common/text.h"
#include "common/win32_handles.h"
#include "config/load_config.h"
#include "tests/instance/instance_roles.h"
#include "tests/instance/patterned_bytes.h"
#include "tests/instance/role_report.h"
#include "tests/support/launcher_harness.h"

namespace {

class Extraction : public ::testing::Test {
protected:
    // This program cut after its last section, with block and entries as
    // given: records 2002 and 2003 are whatever the content says.
    std::string carrying(const BlockContent &content, const std::string &entries) {
        std::string program = readFileBytes(testProgramPath()), error;
        uint32_t end = 0;
        EXPECT_TRUE(findEndOfLastSection(program, &end, &error)) << error;
        return program.substr(0, end) + serializeConfigBlock(content) + entries;
    }
    std::string carrying(const std::vector<EmbeddedFile> &files) {
        std::string launcher, error;
        BlockContent content = blockWith({});
        content.embeddedFiles = files;
        EXPECT_TRUE(buildConfiguredLauncher(readFileBytes(testProgramPath()), content, &launcher, &error)) << error;
        return launcher;
    }
    RunResult extract(const std::string &program) {
        copy_ = directory_.file(L"Extract.exe");
        EXPECT_TRUE(writeFileBytes(copy_, program));
        return runProgram(copy_, std::wstring(ROLE_EXTRACT) + L" \"" + report() + L"\"", loggingInto(root_.path()));
    }
    std::wstring report() const { return directory_.file(L"report.txt"); }
    std::string reported(const char *key) const { return readRoleReport(report())[key]; }
    std::wstring tempDir() const { return widenBytes(reported("tempdir")); }
    std::wstring log() const { return readUtf8File(root_.file(L"zno_nlog_1.log")); }
    bool logged(const std::wstring &line) const { return log().find(line) != std::wstring::npos; }

    ScratchDirectory directory_;
    ScratchDirectory root_;
    std::wstring copy_;
};

TEST_F(Extraction, FilesLandInAFreshDirectoryWithOneLevelOfSubdirectories) {
    std::string jar = patterned(6001);
    RunResult result = extract(carrying({{"lib\\a.jar", jar}, {"empty.txt", ""}, {"b.zip", "zip bytes"}}));
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    std::wstring directory = tempDir();
    EXPECT_EQ(directory.rfind(root_.path() + L"\\", 0), 0u) << directory;
    EXPECT_EQ(readFileBytes(directory + L"\\lib\\a.jar"), jar);
    EXPECT_EQ(readFileBytes(directory + L"\\b.zip"), "zip bytes");
    EXPECT_FALSE(fileExists(directory + L"\\empty.txt")) << "an empty entry creates no file";
    EXPECT_EQ(reported("offset"), std::to_string(readFileBytes(copy_).size()));
    EXPECT_TRUE(logged(L"extracting files\r\n")) << log();
    EXPECT_TRUE(logged(L"Included files: 3\r\n"));
    EXPECT_TRUE(logged(L"creating directory " + directory + L"\\lib\r\n")) << log();
    EXPECT_TRUE(logged(L"extracting " + directory + L"\\lib\\a.jar (size: 6001)\r\n")) << log();
    EXPECT_TRUE(logged(L"extracting " + directory + L"\\empty.txt (size: 0)\r\n")) << log();
    EXPECT_TRUE(logged(L"extracting files done\r\n"));
}

TEST_F(Extraction, CountBelowTheNamesStopsAndLeavesTheOffsetAtTheNextEntry) {
    BlockContent content = blockWith({{record::kEmbeddedFileCount, "2"}, {record::kEmbeddedFileNames, "a.txt;b.txt;c.txt"}});
    std::string program = carrying(content, serializeEmbeddedFiles({{"a.txt", "A"}, {"b.txt", "BB"}, {"c.txt", "CCC"}}));
    ASSERT_EQ(extract(program).exitCode, 0u);
    EXPECT_EQ(readFileBytes(tempDir() + L"\\b.txt"), "BB");
    EXPECT_FALSE(fileExists(tempDir() + L"\\c.txt"));
    EXPECT_EQ(reported("offset"), std::to_string(program.size() - 8 - 3));
}

TEST_F(Extraction, FewerNamesThanTheCountEndAfterTheLastName) {
    BlockContent content = blockWith({{record::kEmbeddedFileCount, "3"}, {record::kEmbeddedFileNames, ";a.txt;;"}});
    std::string program = carrying(content, serializeEmbeddedFiles({{"a.txt", "A"}}) + "more data");
    ASSERT_EQ(extract(program).exitCode, 0u);
    EXPECT_EQ(readFileBytes(tempDir() + L"\\a.txt"), "A");
    EXPECT_EQ(reported("offset"), std::to_string(program.size() - 9));
}

TEST_F(Extraction, NothingToExtractCreatesNoDirectory) {
    for (const char *count : {"0", "-2"}) {
        std::string program = carrying(blockWith({{2002, count}, {record::kEmbeddedFileNames, "a.txt"}}), serializeEmbeddedFiles({{"a", "A"}}));
        ASSERT_EQ(extract(program).exitCode, 0u) << count;
        EXPECT_EQ(reported("tempdir"), "") << count;
        EXPECT_EQ(reported("offset"), "0") << count;
        EXPECT_FALSE(containsDirectory(root_.path())) << count;
    }
}

TEST_F(Extraction, SecondDirectoryLevelCannotBeCreatedAndEndsWithElevenLeavingNothing) {
    BlockContent content = blockWith({{record::kEmbeddedFileCount, "2"}, {record::kEmbeddedFileNames, "lib\\a.jar;lib\\ext\\b.jar"}});
    RunResult result = extract(carrying(content, serializeEmbeddedFiles({{"a", "A"}, {"b", "B"}})));
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_NE(result.err.find("An internal error occurred (error code: 11)"), std::string::npos) << result.err;
    EXPECT_TRUE(logged(L"creating directory ")) << log();
    EXPECT_FALSE(containsDirectory(root_.path())) << "the fatal exit leaves the temporary directory behind";
}

// The destination must be closed before the fatal exit, or the directory
// holding it could not be removed.
TEST_F(Extraction, DataEndingEarlyEndsWithSixteenLeavingNothing) {
    std::string program = carrying({{"lib\\a.jar", patterned(7000)}});
    RunResult result = extract(program.substr(0, program.size() - 500));
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_NE(result.err.find("An internal error occurred (error code: 16)"), std::string::npos) << result.err;
    EXPECT_TRUE(logged(L"ERROR: ReadFile failed 0 0 6500\r\n")) << log();
    EXPECT_TRUE(logged(L"ERROR: Failed to extract ")) << log();
    EXPECT_FALSE(containsDirectory(root_.path())) << "the fatal exit leaves the temporary directory behind";
}

TEST_F(Extraction, MissingSizeFieldIsAReadLongFailure) {
    RunResult result = extract(carrying(blockWith({{record::kEmbeddedFileCount, "1"}, {record::kEmbeddedFileNames, "a.txt"}}), "1234"));
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_NE(result.err.find("Internal Error: readLong"), std::string::npos) << result.err;
    EXPECT_FALSE(containsDirectory(root_.path()));
}

TEST_F(Extraction, NamesLeadingOutsideTheDirectoryAreRefused) {
    for (const char *name : {"..\\evil.txt", "lib\\..\\..\\evil.txt", "\\evil.txt", "C:evil.txt"}) {
        BlockContent content = blockWith({{record::kEmbeddedFileCount, "1"}, {2003, name}});
        RunResult result = extract(carrying(content, serializeEmbeddedFiles({{"x", "evil"}})));
        EXPECT_EQ(result.exitCode, 1u) << name;
        EXPECT_NE(result.err.find("(error code: 16)"), std::string::npos) << name << result.err;
        EXPECT_TRUE(logged(L"leads outside the temporary directory")) << name << log();
        EXPECT_FALSE(fileExists(root_.file(L"evil.txt"))) << name;
        EXPECT_FALSE(containsDirectory(root_.path())) << name;
        DeleteFileW(root_.file(L"zno_nlog_1.log").c_str());
    }
}

}  // namespace

// Offsets past 2 GiB are no negative seeks: the read comes from where it was
// asked for. The file is sparse, so it costs no disk space.
TEST(FileSourceOffsets, SeekAndPositionPastTwoGibibytes) {
    ScratchDirectory directory;
    std::wstring path = directory.file(L"large.bin");
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(file);
    const uint32_t farOffset = 0x90000000u;
    LARGE_INTEGER offset;
    offset.QuadPart = 0xC0000000LL;
    ASSERT_TRUE(SetFilePointerEx(file.get(), offset, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
    offset.QuadPart = farOffset;
    DWORD written = 0;
    ASSERT_TRUE(SetFilePointerEx(file.get(), offset, nullptr, FILE_BEGIN) &&
                WriteFile(file.get(), "X", 1, &written, nullptr));
    FileSource source(file.get());
    source.seek(0);
    source.seek(farOffset);
    char byte = 0;
    uint32_t error = 0;
    EXPECT_EQ(source.read(&byte, 1, &error), 1u);
    EXPECT_EQ(byte, 'X');
    EXPECT_EQ(source.position(), farOffset + 1);
    EXPECT_EQ(source.remaining(), 0xC0000000ull - farOffset - 1);
}
