// Probing one candidate: the version cache under HKEY_CURRENT_USER, the
// "-version" run of a stand-in java.exe, the word-size check, javaw.exe for
// windowed launchers and the non-working list.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

#include "common/records.h"
#include "common/target.h"
#include "jre/check_java_exe.h"
#include "jre/non_working_java.h"
#include "jre/registry_rules.h"
#include "jre/search_observer.h"
#include "jre/version_cache.h"
#include "paths/path_utils.h"
#include "standins/standin_record.h"
#include "tests/jre/jre_test_support.h"

namespace {

const uint16_t kOtherPeMachine = kTargetPeMachine == 0x8664 ? 0x14C : 0x8664;

struct CacheRecord {
    bool present = false;
    DWORD timeType = 0, timeSize = 0;
    uint64_t lastWriteTime = 0;
    DWORD versionType = 0, versionSize = 0;
    std::string version;
    DWORD machineType = 0, machineSize = 0;
    DWORD machine = 0;
};

CacheRecord readCacheRecord(const std::string &javaExe) {
    CacheRecord record;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, versionCacheKeyPath(javaExe.c_str()).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return record;
    record.present = true;
    record.timeSize = sizeof record.lastWriteTime;
    RegQueryValueExA(key, "LastWriteTime", nullptr, &record.timeType, reinterpret_cast<BYTE *>(&record.lastWriteTime),
                     &record.timeSize);
    char version[100] = {};
    record.versionSize = sizeof version - 1;
    RegQueryValueExA(key, "Version", nullptr, &record.versionType, reinterpret_cast<BYTE *>(version),
                     &record.versionSize);
    record.version = version;
    record.machineSize = sizeof record.machine;
    RegQueryValueExA(key, "Machine", nullptr, &record.machineType, reinterpret_cast<BYTE *>(&record.machine),
                     &record.machineSize);
    RegCloseKey(key);
    return record;
}

uint64_t fileTimeOf(const std::string &path) {
    uint64_t time = 0;
    findFileTime(path.c_str(), &time);
    return time;
}

class Probe : public ::testing::Test {
protected:
    // checkJavaExe with the search's settings: cache read and written.
    bool probe(const std::wstring &javaExe, bool allowBeta = false) {
        char path[kPathCapacity];
        snprintf(path, sizeof path, "%s", narrow(javaExe).c_str());
        char found[kVersionCapacity] = "untouched";
        watch_.candidates = candidateRulesOf(testSettings());
        bool accepted = checkJavaExe(watch_, path, found, minimum_, maximum_, betasAllowedIf(allowBeta));
        javaExe_ = path;
        version_ = found;
        return accepted;
    }

    RuntimeSearchWatch watch_;
    ConfigRecords config_;
    HomesDirectory homes_;
    JavaVersion minimum_ = parseJavaVersion("1.8");
    JavaVersion maximum_ = parseJavaVersion("17");
    std::string javaExe_;
    std::string version_;
};

TEST_F(Probe, ColdProbeRunsVersionOnceAndWritesTheRecordThenTheCacheAnswers) {
    RuntimeHome home = homes_.layOut("Warm", RuntimeHomeLayout());
    LogTail log;
    EXPECT_TRUE(probe(home.javaExe));
    EXPECT_EQ(javaExe_, normalised(home.javaExe));
    EXPECT_EQ(javaExe_.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos) << javaExe_;
    EXPECT_EQ(version_, "17.0.2");
    EXPECT_EQ(javaRunCount(home), 1u);
    EXPECT_TRUE(log.hasLine(L"file exists"));
    EXPECT_TRUE(log.hasLine(L"Java version2: 17.0.2"));
    EXPECT_TRUE(log.hasLine(L"got version from execution 17.0.2 " + std::to_wstring(kTargetPeMachine)));
    EXPECT_TRUE(log.hasLine(L"checkJavaExe returning 1"));

    CacheRecord record = readCacheRecord(javaExe_);
    ASSERT_TRUE(record.present);
    EXPECT_EQ(record.timeType, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(record.timeSize, 8u);
    EXPECT_EQ(record.lastWriteTime, fileTimeOf(javaExe_));
    EXPECT_EQ(record.versionType, static_cast<DWORD>(REG_SZ));
    // Written without its terminating zero; the registry counts the zero
    // that follows the text in memory all the same, as Windows does.
    EXPECT_EQ(record.versionSize, 7u);
    EXPECT_EQ(record.version, "17.0.2");
    EXPECT_EQ(record.machineType, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(record.machineSize, 4u);
    EXPECT_EQ(record.machine, kTargetPeMachine);

    LogTail again;
    EXPECT_TRUE(probe(home.javaExe));
    EXPECT_EQ(version_, "17.0.2");
    EXPECT_EQ(javaRunCount(home), 1u);
    EXPECT_TRUE(again.hasLine(L"got version from registry 17.0.2 " + std::to_wstring(kTargetPeMachine)));
}

TEST_F(Probe, TouchedExecutableIsRunAgainAndItsRecordRewritten) {
    RuntimeHome home = homes_.layOut("Touched", RuntimeHomeLayout());
    ASSERT_TRUE(probe(home.javaExe));
    uint64_t before = readCacheRecord(javaExe_).lastWriteTime;
    ASSERT_TRUE(touchFile(home.javaExe));
    EXPECT_TRUE(probe(home.javaExe));
    EXPECT_EQ(javaRunCount(home), 2u);
    EXPECT_NE(readCacheRecord(javaExe_).lastWriteTime, before);
    EXPECT_EQ(readCacheRecord(javaExe_).lastWriteTime, fileTimeOf(javaExe_));
}

TEST_F(Probe, FailedRunLeavesTheOneDotZeroMarkerWhichIsNeverTrusted) {
    RuntimeHomeLayout layout;
    layout.javaExitCode = 3;
    RuntimeHome home = homes_.layOut("Broken", layout);
    LogTail log;
    EXPECT_FALSE(probe(home.javaExe));
    EXPECT_TRUE(log.hasLine(L"Exit Code 3"));
    EXPECT_TRUE(log.hasLine(L"couldn't get version"));
    EXPECT_TRUE(log.hasLine(L"checkJavaExe returning 0"));
    CacheRecord record = readCacheRecord(javaExe_);
    EXPECT_EQ(record.version, "1.0.0");
    EXPECT_EQ(record.machine, kTargetPeMachine);
    EXPECT_FALSE(probe(home.javaExe));
    EXPECT_EQ(javaRunCount(home), 2u);
}

TEST_F(Probe, CachedRecordsDecideWithoutARunUnlessTheyAreOldCutOffVersions) {
    RuntimeHome home = homes_.layOut("Cached", RuntimeHomeLayout());
    std::string javaExe = normalised(home.javaExe);
    uint64_t time = fileTimeOf(javaExe);
    struct Row {
        const char *cached;
        bool runs;
        bool accepted;
    } rows[] = {{"1.7.", true, true}, {"1.6.", true, true}, {"1.7.0_80", false, false}, {"17", false, true},
                {"", false, false}};
    size_t runs = 0;
    for (const Row &row : rows) {
        writeVersionCache(javaExe.c_str(), time, row.cached, kTargetPeMachine);
        EXPECT_EQ(probe(home.javaExe), row.accepted) << row.cached;
        runs += row.runs ? 1 : 0;
        EXPECT_EQ(javaRunCount(home), runs) << row.cached;
        EXPECT_EQ(version_, row.runs ? "17.0.2" : row.cached);
    }
}

TEST_F(Probe, RecordOfAnotherWordSizeIsRefusedWithoutARun) {
    RuntimeHome home = homes_.layOut("Other", RuntimeHomeLayout());
    std::string javaExe = normalised(home.javaExe);
    writeVersionCache(javaExe.c_str(), fileTimeOf(javaExe), "17.0.2", kOtherPeMachine);
    LogTail log;
    EXPECT_FALSE(probe(home.javaExe));
    EXPECT_TRUE(log.hasLine(L"got version from registry 17.0.2 " + std::to_wstring(kOtherPeMachine)));
    EXPECT_TRUE(log.hasLine(L"checkJavaExe returning 0"));
    EXPECT_EQ(javaRunCount(home), 0u);
}

TEST_F(Probe, MissingExecutableIsRefusedWithoutARun) {
    LogTail log;
    EXPECT_FALSE(probe(wide(homes_.path("Nothing\\bin\\java.exe"))));
    EXPECT_TRUE(log.hasLine(L"file doesn't exist"));
    EXPECT_TRUE(log.hasLine(L"checkJavaExe returning 0"));
    EXPECT_EQ(version_, "untouched");
}

TEST_F(Probe, VersionsOutsideTheBoundsAndForbiddenBetasAreRefused) {
    RuntimeHomeLayout layout;
    layout.version = "21.0.1";
    EXPECT_FALSE(probe(homes_.layOut("New", layout).javaExe));
    EXPECT_EQ(version_, "21.0.1");
    layout.version = "1.7.0_80";
    EXPECT_FALSE(probe(homes_.layOut("Old", layout).javaExe));

    config_.set(130, "0");
    layout.version = "17-ea";
    RuntimeHome beta = homes_.layOut("Beta", layout);
    LogTail log;
    EXPECT_FALSE(probe(beta.javaExe));
    EXPECT_TRUE(log.hasLine(L"beta vm not allowed"));
    EXPECT_TRUE(probe(beta.javaExe, true));
    config_.set(130, "1");
    EXPECT_TRUE(probe(beta.javaExe));
}

TEST_F(Probe, WindowedLauncherSwitchesToJavawAndNeedsIt) {
    config_.set(107, "1");
    RuntimeHome home = homes_.layOut("Windowed", RuntimeHomeLayout());
    EXPECT_TRUE(probe(home.javaExe));
    EXPECT_EQ(javaExe_, normalised(home.javawExe));
    RuntimeHomeLayout layout;
    layout.withJavaw = false;
    RuntimeHome console = homes_.layOut("ConsoleOnly", layout);
    EXPECT_FALSE(probe(console.javaExe));
    config_.set(107, "0");
    EXPECT_TRUE(probe(console.javaExe));
    EXPECT_EQ(javaExe_, normalised(console.javaExe));
}

TEST_F(Probe, NonWorkingExecutableIsRefusedWithoutAClosingLine) {
    RuntimeHome home = homes_.layOut("Failed", RuntimeHomeLayout());
    ASSERT_TRUE(probe(home.javaExe));
    addNonWorkingJava(watch_.nonWorking, javaExe_.c_str());
    LogTail log;
    EXPECT_FALSE(probe(home.javaExe));
    EXPECT_TRUE(log.hasLine(L"got version from registry 17.0.2 " + std::to_wstring(kTargetPeMachine)));
    EXPECT_EQ(log.text().find(L"checkJavaExe returning"), std::wstring::npos);
}

TEST_F(Probe, JavaOptionsVariablesAreHiddenFromTheRunAndRestoredAfter) {
    RuntimeHome home = homes_.layOut("Options", RuntimeHomeLayout());
    SetEnvironmentVariableA("_JAVA_OPTIONS", "-Xmx1m");
    SetEnvironmentVariableA("JDK_JAVA_OPTIONS", nullptr);
    SetEnvironmentVariableA("JAVA_TOOL_OPTIONS", "-Dx=1");
    LogTail log;
    EXPECT_TRUE(probe(home.javaExe));
    char value[64];
    EXPECT_EQ(GetEnvironmentVariableA("_JAVA_OPTIONS", value, sizeof value), 6u);
    EXPECT_STREQ(value, "-Xmx1m");
    EXPECT_EQ(GetEnvironmentVariableA("JAVA_TOOL_OPTIONS", value, sizeof value), 5u);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetEnvironmentVariableA("JDK_JAVA_OPTIONS", value, sizeof value), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
    SetEnvironmentVariableA("_JAVA_OPTIONS", nullptr);
    SetEnvironmentVariableA("JAVA_TOOL_OPTIONS", nullptr);

    EXPECT_TRUE(log.hasLine(L"_JAVA_OPTIONS is -Xmx1m"));
    EXPECT_TRUE(log.hasLine(L"JAVA_TOOL_OPTIONS is -Dx=1"));
    std::vector<JavaRun> runs = readJavaRuns(home.javaRuns);
    ASSERT_EQ(runs.size(), 1u);
    for (const auto &variable : runs[0].environment)
        EXPECT_FALSE(variable.second.has_value()) << variable.first;
    char shortPath[kPathCapacity];
    GetShortPathNameA(javaExe_.c_str(), shortPath, sizeof shortPath);
    EXPECT_EQ(runs[0].commandLine, "\"" + std::string(shortPath) + "\" -version");
}

TEST_F(Probe, VersionComesFromTheBannerLineWhateverItsVendor) {
    RuntimeHomeLayout layout;
    layout.banner = "java version \"1.8.0_392\"\r\nJava(TM) SE Runtime Environment (build 1.8.0_392-b08)\r\n";
    EXPECT_TRUE(probe(homes_.layOut("Classic", layout).javaExe));
    EXPECT_EQ(version_, "1.8.0_392");

    layout.banner = "Picked up nothing\r\nno version here\r\n";
    RuntimeHome silent = homes_.layOut("Silent", layout);
    LogTail log;
    EXPECT_FALSE(probe(silent.javaExe));
    EXPECT_TRUE(log.hasLine(L"Exit Code 0"));
    EXPECT_TRUE(log.hasLine(L"couldn't get version"));
    EXPECT_FALSE(readCacheRecord(javaExe_).present);
}

// A process that outlives java.exe with its standard error open must not hold
// the probe until it ends.
TEST_F(Probe, ChildHoldingTheOutputOpenDoesNotHoldTheProbe) {
    RuntimeHomeLayout layout;
    layout.javaHeldOutputMs = 15000;
    RuntimeHome home = homes_.layOut("Holding", layout);
    DWORD start = GetTickCount();
    EXPECT_TRUE(probe(home.javaExe));
    EXPECT_LT(GetTickCount() - start, 8000u);
    EXPECT_EQ(version_, "17.0.2");
}

// A java.exe that writes without pause never leaves the pipe empty: the probe
// stops reading after its byte bound and ends it, well before the time limit.
TEST_F(Probe, JavaThatWritesWithoutPauseIsCutOff) {
    RuntimeHomeLayout layout;
    layout.javaFloods = true;
    RuntimeHome home = homes_.layOut("Flooding", layout);
    LogTail log;
    DWORD start = GetTickCount();
    EXPECT_FALSE(probe(home.javaExe));
    EXPECT_LT(GetTickCount() - start, 30000u);
    EXPECT_TRUE(log.hasLine(L"Terminating process"));
}

TEST_F(Probe, JavaExecutableOfAHomePrefersTheNestedJre) {
    char javaExe[kPathCapacity];
    RuntimeHome plain = homes_.layOut("Plain", RuntimeHomeLayout());
    std::string home = narrow(plain.home);
    EXPECT_TRUE(javaExeFromHome(watch_, home.c_str(), javaExe));
    EXPECT_EQ(std::string(javaExe), home + "\\bin\\java.exe");

    RuntimeHomeLayout nested;
    nested.javaDirectory = L"jre\\bin";
    std::string jdk = narrow(homes_.layOut("OldJdk", nested).home);
    EXPECT_TRUE(javaExeFromHome(watch_, jdk.c_str(), javaExe));
    EXPECT_EQ(std::string(javaExe), jdk + "\\jre\\bin\\java.exe");

    config_.set(record::kRequireJdk, "1");
    watch_.candidates = candidateRulesOf(testSettings());
    EXPECT_FALSE(javaExeFromHome(watch_, home.c_str(), javaExe));
    EXPECT_EQ(std::string(javaExe), home + "\\jre\\bin\\java.exe");
    RuntimeHomeLayout withTools;
    withTools.withToolsJar = true;
    std::string tools = narrow(homes_.layOut("Tools", withTools).home);
    EXPECT_TRUE(javaExeFromHome(watch_, tools.c_str(), javaExe));
    EXPECT_EQ(std::string(javaExe), tools + "\\jre\\bin\\java.exe");
}

}  // namespace
