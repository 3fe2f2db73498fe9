// The search sequence, the registry scans' ordering rules, the PE header
// check and the non-working list, natively under the sanitizers.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "jre/non_working_java.h"
#include "jre/read_pe_machine.h"
#include "jre/registry_rules.h"
#include "jre/search_sequence.h"
#include "tests/host/log_capture.h"

namespace {

TEST(SearchSequence, EntriesSplitAtSemicolonsWithEmptyOnesDropped) {
    std::vector<SearchEntry> entries = splitSearchSequence(";B.\\jre;;EJDK_HOME;Y;R.\\.;y;S");
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].type, 'B');
    EXPECT_EQ(entries[0].text, ".\\jre");
    EXPECT_EQ(entries[1].text, "JDK_HOME");
    EXPECT_EQ(entries[2].type, 'Y');
    EXPECT_EQ(entries[2].text, "");
    EXPECT_EQ(entries[4].type, 'y');
    EXPECT_EQ(entries[5].type, 'S');
    EXPECT_TRUE(splitSearchSequence("").empty());
    EXPECT_TRUE(splitSearchSequence(";;;").empty());
}

TEST(SearchSequence, FallbackPassRetriesBAlwaysAndAOrROnlyWhenRelative) {
    auto takesPart = [](const char *entry) { return takesPartInFallbackPass(splitSearchSequence(entry)[0]); };
    EXPECT_TRUE(takesPart("BC:\\Java"));
    EXPECT_TRUE(takesPart("A..\\java"));
    EXPECT_TRUE(takesPart("R.\\jre"));
    EXPECT_FALSE(takesPart("AC:\\Java"));
    EXPECT_FALSE(takesPart("A\\\\server\\java"));
    EXPECT_FALSE(takesPart("Rc:"));
    EXPECT_TRUE(takesPart("A\\java"));
    EXPECT_TRUE(takesPart("Ax"));
    EXPECT_FALSE(takesPart("EJAVA_HOME"));
    EXPECT_FALSE(takesPart("b.\\jre"));
    EXPECT_FALSE(takesPart("S"));
}

TEST(RegistryRules, NamesSortHighestFirstAndEqualVersionsKeepTheirOrder) {
    std::vector<std::string> names = {"1.8", "17", "1.8.0_392"};
    sortNamesByVersion(names);
    EXPECT_EQ(names, (std::vector<std::string>{"17", "1.8.0_392", "1.8"}));
    // A zulu- name compares with a leading 0, below a plain name.
    names = {"zulu-17", "zulu-11", "17", "1.8.0", "1.8.0"};
    sortNamesByVersion(names);
    EXPECT_EQ(names, (std::vector<std::string>{"17", "1.8.0", "1.8.0", "zulu-17", "zulu-11"}));

    std::vector<RegistryCandidate> candidates = {{"a", "11"}, {"b", "17"}, {"c", "17.0"}, {"d", "17"}};
    sortCandidatesByVersion(candidates);
    EXPECT_EQ(candidates[0].javaExe, "c");
    EXPECT_EQ(candidates[1].javaExe, "b");
    EXPECT_EQ(candidates[2].javaExe, "d");
    EXPECT_EQ(candidates[3].javaExe, "a");
}

TEST(RegistryRules, CacheKeySpellsThePathWithSlashes) {
    EXPECT_EQ(versionCacheKeyPath("c:\\program files\\java\\jre\\bin\\java.exe"),
              "SOFTWARE\\Marrowfield\\pellux\\jvms2\\c:/program files/java/jre/bin/java.exe");
}

class PeHeader : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/pellux-pe-XXXXXX";
        int fd = mkstemp(name);
        ASSERT_GE(fd, 0);
        close(fd);
        path_ = name;
        capturedLog().clear();
    }
    void TearDown() override { remove(path_.c_str()); }

    void write(const std::string &bytes) {
        FILE *file = fopen(path_.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
    }

    // "MZ", the header offset at 60, "PE\0\0" and the machine there.
    static std::string image(uint32_t offset, uint16_t machine) {
        std::string bytes(offset + 6, '\0');
        bytes[0] = 'M';
        bytes[1] = 'Z';
        for (int i = 0; i < 4; i++)
            bytes[60 + i] = static_cast<char>(offset >> (8 * i));
        bytes.replace(offset, 4, std::string("PE\0\0", 4));
        bytes[offset + 4] = static_cast<char>(machine & 0xFF);
        bytes[offset + 5] = static_cast<char>(machine >> 8);
        return bytes;
    }

    bool logged(const char *text) {
        std::string line = text + (" " + path_);
        return logContains(std::wstring(line.begin(), line.end()));
    }

    std::string path_;
};

TEST_F(PeHeader, MachineFieldIsReadFromTheHeaderTheOffsetNames) {
    write(image(128, 0x14C));
    EXPECT_EQ(readPeMachine(path_.c_str()), 0x14C);
    write(image(64, 0x8664));
    EXPECT_EQ(readPeMachine(path_.c_str()), 0x8664);
    EXPECT_TRUE(capturedLog().empty());
}

TEST_F(PeHeader, EachMalformedStepGivesZeroAndItsOwnLogLine) {
    write("ZM");
    EXPECT_EQ(readPeMachine(path_.c_str()), 0);
    EXPECT_TRUE(logged("no PE32 file"));
    write("MZ" + std::string(20, '\0'));
    EXPECT_EQ(readPeMachine(path_.c_str()), 0);
    EXPECT_TRUE(logged("no PE32 file 3"));
    std::string bytes = image(128, 0x14C);
    bytes[60 + 3] = '\x7F';  // header far beyond the end
    write(bytes);
    EXPECT_EQ(readPeMachine(path_.c_str()), 0);
    EXPECT_TRUE(logged("no PE32 file 5"));
    bytes[60 + 3] = '\xFF';  // beyond what a seek can reach
    write(bytes);
    EXPECT_EQ(readPeMachine(path_.c_str()), 0);
    EXPECT_TRUE(logged("no PE32 file 4"));
    bytes = image(128, 0x14C);
    bytes[129] = 'X';
    write(bytes);
    EXPECT_EQ(readPeMachine(path_.c_str()), 0);
    EXPECT_TRUE(logged("no PE32 file 5"));
    write(image(128, 0x14C).substr(0, 133));
    EXPECT_EQ(readPeMachine(path_.c_str()), 0);
    EXPECT_TRUE(logged("no PE32 file 6"));
    remove(path_.c_str());
    EXPECT_EQ(readPeMachine(path_.c_str()), 0);
    EXPECT_EQ(capturedLog().back().find(L"could not open "), 0u);
}

TEST(NonWorkingJava, ListRefusesExactPathsAndReportsWhenFull) {
    NonWorkingJavaList list;
    capturedLog().clear();
    EXPECT_TRUE(addNonWorkingJava(list, "c:\\jdk\\bin\\java.exe"));
    EXPECT_TRUE(logContains(L"add non-working java c:\\jdk\\bin\\java.exe"));
    EXPECT_TRUE(isNonWorkingJava(list, "c:\\jdk\\bin\\java.exe"));
    EXPECT_FALSE(isNonWorkingJava(list, "C:\\jdk\\bin\\java.exe"));
    EXPECT_FALSE(isNonWorkingJava(list, "c:\\jdk\\bin\\javaw.exe"));
    for (int i = 1; i < 49; i++)
        EXPECT_TRUE(addNonWorkingJava(list, ("c:\\jdk" + std::to_string(i)).c_str()));
    EXPECT_FALSE(addNonWorkingJava(list, "c:\\jdk49"));
    EXPECT_EQ(list.size(), 50u);
}

}  // namespace
