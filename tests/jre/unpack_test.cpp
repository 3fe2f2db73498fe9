// Unpacking a shipped runtime's packed jars with its own unpack200.exe, and
// the end of the launch when that unpacker cannot start.
#include <gtest/gtest.h>

#include <windows.h>

#include "jre/unpack_runtime.h"
#include "paths/path_utils.h"
#include "standins/run_process.h"
#include "standins/standin_record.h"
#include "tests/jre/jre_test_support.h"
#include "standins/standin_files.h"

namespace {

// Runs this program in its unpacking role for the home, without a log of its own.
ProcessResult unpackInChild(const std::string &home) {
    SetEnvironmentVariableW(L"PELLUX_LOG", nullptr);
    ProcessRequest request;
    request.commandLine = selfCommandLine(L"--unpack-role \"" + wide(home) + L"\"");
    ProcessResult result = runProcess(request);
    SetEnvironmentVariableW(L"PELLUX_LOG", L"yes");
    return result;
}

class Unpack : public ::testing::Test {
protected:
    std::string layOutPacked(const std::string &name, bool withUnpacker = true) {
        RuntimeHomeLayout layout;
        layout.packedJars = {L"lib\\rt.jar.pack", L"lib\\ext\\extra.jar.pack", L"lib\\done.jar.pack"};
        layout.withUnpack200 = withUnpacker;
        home_ = homes_.layOut(name, layout);
        std::string home = normalised(home_.home);
        EXPECT_TRUE(writeFileBytes(wide(home + "\\lib\\done.jar"), "already unpacked\n"));
        return home;
    }

    HomesDirectory homes_;
    RuntimeHome home_;
};

TEST_F(Unpack, ArchivesWithoutTheirJarAreUnpackedAndRemovedUnderOneNotice) {
    std::string home = layOutPacked("Packed");
    LogTail log;
    unpackRuntime(home.c_str());
    EXPECT_TRUE(pathExists((home + "\\lib\\rt.jar").c_str()));
    EXPECT_TRUE(pathExists((home + "\\lib\\ext\\extra.jar").c_str()));
    EXPECT_FALSE(pathExists((home + "\\lib\\rt.jar.pack").c_str()));
    EXPECT_FALSE(pathExists((home + "\\lib\\ext\\extra.jar.pack").c_str()));
    EXPECT_TRUE(pathExists((home + "\\lib\\done.jar.pack").c_str()));

    EXPECT_EQ(log.count(L"Unpacking JRE"), 1);
    EXPECT_EQ(log.count(L"Unpacking JRE done"), 1);
    EXPECT_EQ(log.count(L"unpack done"), 2);
    EXPECT_TRUE(log.hasLine(L"checking " + wide(home) + L"\\lib\\done.jar"));
    EXPECT_TRUE(log.hasLine(L"checking " + wide(home) + L"\\lib\\ext\\extra.jar"));
    EXPECT_LT(log.find(L"checking " + wide(home) + L"\\lib\\rt.jar"),
              log.find(L"checking " + wide(home) + L"\\lib\\ext\\extra.jar"));
    EXPECT_TRUE(log.hasLine(wide(home) + L"\\bin\\unpack200.exe"));
    // The unpacker removed each archive itself: the launcher's delete finds nothing, silently.
    EXPECT_EQ(log.text().find(L"could not delete packed file"), std::wstring::npos);

    std::vector<UnpackRun> runs = readUnpackRuns(home_.unpackRuns);
    ASSERT_EQ(runs.size(), 2u);
    std::string archive = home + "\\lib\\rt.jar.pack";
    EXPECT_EQ(runs[0].commandLine,
              "\"" + home + "\\bin\\unpack200.exe\" -r \"" + archive + "\" \"" + home + "\\lib\\rt.jar\"");
    EXPECT_TRUE(runs[0].jarWritten);

    LogTail again;
    unpackRuntime(home.c_str());
    EXPECT_EQ(readUnpackRuns(home_.unpackRuns).size(), 2u);
    EXPECT_FALSE(again.hasLine(L"Unpacking JRE"));
    EXPECT_FALSE(again.hasLine(L"Unpacking JRE done"));
}

TEST_F(Unpack, ArchiveTheUnpackerLeftBehindIsDeletedByTheLauncher) {
    RuntimeHomeLayout layout;
    layout.packedJars = {L"lib\\rt.jar.pack"};
    layout.unpackSettings = "remove=0\n";
    std::string home = normalised(homes_.layOut("Leaves", layout).home);
    LogTail log;
    unpackRuntime(home.c_str());
    EXPECT_FALSE(pathExists((home + "\\lib\\rt.jar.pack").c_str()));
    EXPECT_TRUE(pathExists((home + "\\lib\\rt.jar").c_str()));
    EXPECT_EQ(log.text().find(L"could not delete packed file"), std::wstring::npos);
}

TEST_F(Unpack, HomeWithoutArchivesLeavesNoTrace) {
    std::string home = normalised(homes_.layOut("Plain", RuntimeHomeLayout()).home);
    LogTail log;
    unpackRuntime(home.c_str());
    unpackRuntime(normalised(wide(homes_.path("Missing"))).c_str());
    std::wstring text = log.text();
    EXPECT_EQ(text.find(L"checking"), std::wstring::npos) << text;
    EXPECT_EQ(text.find(L"Unpacking JRE"), std::wstring::npos) << text;
}

TEST_F(Unpack, NoticeGoesOnceToStandardOutput) {
    std::string home = layOutPacked("Notice");
    ProcessResult result = unpackInChild(home);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u) << result.standardError;
    // The C runtime's text mode may turn the line feed into CR LF.
    std::string out = result.standardOutput;
    EXPECT_TRUE(out == "Preparing JRE ...\n" || out == "Preparing JRE ...\r\n") << out;
}

TEST_F(Unpack, UnpackerThatCannotStartEndsTheLaunch) {
    std::string home = layOutPacked("NoUnpacker", false);
    ProcessResult result = unpackInChild(home);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_NE(result.standardError.find("Could not unpack the JVM. Antivirus software is probably interfering."),
              std::string::npos)
        << result.standardError;
    EXPECT_TRUE(pathExists((home + "\\lib\\rt.jar.pack").c_str()));
}

}  // namespace
