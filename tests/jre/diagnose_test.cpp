// "/diagnose" of a configured launcher against stand-in runtime homes: each
// candidate with its verdict, the runtime it would use or the message a start
// would show, its exit code, and no version cache record left behind.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/records.h"
#include "common/target.h"
#include "jre/registry_rules.h"
#include "jre/version_cache.h"
#include "paths/path_utils.h"
#include "tests/jre/jre_test_support.h"
#include "tests/support/launcher_harness.h"

namespace {

const uint16_t kOtherPeMachine = kTargetPeMachine == 0x8664 ? 0x14C : 0x8664;

bool hasCacheRecord(const std::string &javaExe) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, versionCacheKeyPath(javaExe.c_str()).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class Diagnose : public ::testing::Test {
protected:
    void TearDown() override { removeCacheRecordsBelow(homes_.path()); }

    std::string javaOf(const std::string &name, RuntimeHomeLayout layout) {
        return normalised(homes_.layOut(name, layout).javaExe);
    }
    RunResult diagnose(const std::string &sequence) {
        BlockContent block = blockWith({{record::kServiceName, "PelluxDiagnoseNotInstalled"},
                                        {record::kSearchSequence, sequence},
                                        {record::kMinimumVersion, "1.8"},
                                        {record::kMaximumVersion, "17"},
                                        {record::kAllowBeta, "0"},
                                        {record::kMainClass, "app.Main"},
                                        {record::kEnvironment, "TZ=UTC\nLICENSE_KEY=hunter2"}});
        std::wstring app = makeConfiguredLauncher(scratch_.path(), L"App.exe", block);
        return runProgram(app, L"/diagnose");
    }
    void expectSaid(const RunResult &run, const std::string &line) {
        EXPECT_NE(run.out.find(line + "\r\n"), std::string::npos) << line << "\n" << run.out;
    }

    HomesDirectory homes_;
    ScratchDirectory scratch_;
};

TEST_F(Diagnose, EveryCandidateGetsItsVerdictAndTheFirstGoodOneIsUsed) {
    RuntimeHomeLayout old, beta, other, noJvm, good;
    old.version = "1.6.0_45";
    beta.version = "17-ea";
    noJvm.vmDirectory = L"";
    std::string oldJava = javaOf("old", old), betaJava = javaOf("beta", beta), otherJava = javaOf("other", other),
                noJvmJava = javaOf("nojvm", noJvm), goodJava = javaOf("good", good);
    uint64_t otherTime = 0;
    ASSERT_TRUE(findFileTime(otherJava.c_str(), &otherTime));
    writeVersionCache(otherJava.c_str(), otherTime, "17.0.2", kOtherPeMachine);

    RunResult run = diagnose("A" + homes_.path("old") + ";A" + homes_.path("beta") + ";A" + homes_.path("other") +
                             ";A" + homes_.path("nojvm") + ";A" + homes_.path("good") + ";");
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    expectSaid(run, "Service 'PelluxDiagnoseNotInstalled': not installed (or not readable: error 1060).");
    expectSaid(run, "  main class: app.Main");
    expectSaid(run, "  environment variables set: TZ, LICENSE_KEY");
    EXPECT_EQ(run.out.find("hunter2"), std::string::npos) << "names only";
    expectSaid(run, "  directory " + homes_.path("old"));
    expectSaid(run, "    " + oldJava + ": version 1.6.0_45, " + (kTargetPeMachine == 0x8664 ? "64-bit (x64)" : "32-bit (x86)") +
                        ", from a -version run");
    expectSaid(run, "    " + oldJava + ": below the minimum");
    expectSaid(run, "    " + betaJava + ": beta not allowed");
    expectSaid(run, "    " + otherJava + ": other architecture");
    expectSaid(run, "    " + noJvmJava + ": no jvm.dll that loads");
    expectSaid(run, "    " + goodJava + ": accepted");
    expectSaid(run, "Runtime that would be used: " + goodJava + " (version 17.0.2)");
    EXPECT_NE(run.out.find("  -Djava.class.path="), std::string::npos) << run.out;
    for (const std::string &java : {oldJava, betaJava, noJvmJava, goodJava})
        EXPECT_FALSE(hasCacheRecord(java)) << java;
}

TEST_F(Diagnose, NoRuntimeExitsWithTwoAndTheMessageAStartWouldShow) {
    RunResult run = diagnose("A" + homes_.path("nothing") + ";");
    EXPECT_EQ(run.exitCode, 2u) << run.out << run.err;
    expectSaid(run, "No runtime would be used. A start would end with this message:");
    expectSaid(run, "No JVM could be found on your system.");
}

}  // namespace
