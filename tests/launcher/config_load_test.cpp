#include <gtest/gtest.h>

#include "common/records.h"
#include "tests/support/launcher_harness.h"

namespace {

bool crashed(DWORD exitCode) { return exitCode >= 0xC0000000u; }

class ConfigLoad : public ::testing::Test {
protected:
    RunResult runWith(const std::string &bytes, const std::wstring &arguments) {
        std::wstring path = directory_.file(L"App.exe");
        EXPECT_TRUE(writeFileBytes(path, bytes));
        return runProgram(path, arguments, loggingInto(logRoot_.path()));
    }
    std::wstring log() { return readUtf8File(logRoot_.file(L"zno_nlog_1.log")); }

    ScratchDirectory directory_;
    ScratchDirectory logRoot_;
};

TEST_F(ConfigLoad, LauncherWithoutBlockStopsBeforeDoingAnything) {
    RunResult result = runWith(readFileBytes(launcherStubPath()), L"/?");
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(log().find(L"rawDataSize: "), std::wstring::npos);
    EXPECT_EQ(log().find(L"command line"), std::wstring::npos);
}

// A length field that claims more than the file holds must end with the
// primitive's error, not with an allocation of gigabytes or a crash.
TEST_F(ConfigLoad, ImpossibleLengthEndsTheLauncherCleanly) {
    std::string stub = readFileBytes(launcherStubPath());
    BlockContent content = blockWith({{record::kServiceName, "Service"}});
    std::string launcher, error;
    ASSERT_TRUE(buildConfiguredLauncher(stub, content, &launcher, &error));
    uint32_t blockStart;
    ASSERT_TRUE(findEndOfLastSection(launcher, &blockStart, &error));
    for (uint32_t length : {0x7FFFFFF0u, 0xFFFFFFFFu}) {
        std::string broken = launcher;
        for (int i = 0; i < 4; i++)
            broken[blockStart + 28 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
        RunResult result = runWith(broken, L"/?");
        EXPECT_TRUE(result.finished);
        EXPECT_EQ(result.exitCode, 1u) << std::hex << result.exitCode;
        EXPECT_FALSE(crashed(result.exitCode));
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(ConfigLoad, TruncatedLauncherEndsCleanly) {
    std::string stub = readFileBytes(launcherStubPath());
    std::string launcher, error;
    ASSERT_TRUE(buildConfiguredLauncher(stub, blockWith({{record::kServiceName, "Service"}}), &launcher, &error));
    // diagnose too ends as a start would, before it prints anything.
    for (const wchar_t *command : {L"/?", L"/diagnose"}) {
        RunResult result = runWith(launcher.substr(0, launcher.size() - 7), command);
        EXPECT_EQ(result.exitCode, 1u) << command;
        EXPECT_EQ(result.out, "") << command;
    }
}

// Launcher types 1 and 5 show fatal errors in a message box; the others on
// the console or, with output redirected, on standard error with the log path.
TEST_F(ConfigLoad, LauncherTypeChoosesWhereFatalErrorsGo) {
    for (const char *type : {"0", "1", "2", "3", "4", "5"}) {
        ScratchDirectory root;
        std::wstring launcher =
            makeConfiguredLauncher(directory_.path(), L"Typed.exe", blockWith({{record::kServiceName, "Service"}, {107, type}}));
        RunResult result = runProgram(launcher, L"/run", loggingInto(root.path()));
        EXPECT_EQ(result.exitCode, 1u) << type;
        bool boxed = std::string(type) == "1" || std::string(type) == "5";
        if (boxed) {
            EXPECT_EQ(result.err, "") << type;
        } else {
            std::string logPath = "Log: ";
            for (wchar_t c : root.file(L"zno_nlog_1.log"))
                logPath.push_back(static_cast<char>(c));
            EXPECT_NE(result.err.find("\r\n\r\n" + logPath + "\r\n"), std::string::npos) << type << result.err;
        }
    }
}

}  // namespace
