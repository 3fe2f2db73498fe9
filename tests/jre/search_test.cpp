// The search order: preferred location, the configured sequence, installer
// location, relative fallback pass, earlier installations and the closing
// environment variables; what the result says after success and failure.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "common/records.h"
#include "common/target.h"
#include "jre/non_working_java.h"
#include "jre/search_jvm.h"
#include "jre/version_cache.h"
#include "paths/path_utils.h"
#include "tests/jre/jre_test_support.h"
#include "standins/standin_files.h"

namespace {

const char kLocatedKey[] = "SOFTWARE\\Marrowfield\\pellux\\locatedjvms\\";

class EnvironmentVariable {
public:
    EnvironmentVariable(const char *name, const std::string &value) : name_(name) {
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~EnvironmentVariable() { SetEnvironmentVariableA(name_, nullptr); }

private:
    const char *name_;
};

class Search : public ::testing::Test {
protected:
    void SetUp() override {
        config_.set(126, "1.8");
        config_.set(127, "17");
        config_.set(10003, homes_.path());
        resetRecordingLoader();
        memset(&result_, 0, sizeof result_);
    }

    HMODULE search(const std::string &sequence, std::vector<std::string> loading = {}) {
        config_.set(128, sequence);
        resetRecordingLoader(loading);
        return searchJvm(testSettings(), places_, watch_, result_, recordingLoader);
    }

    std::string home(const std::string &name, const std::string &version = "17.0.2") {
        RuntimeHomeLayout layout;
        layout.version = version;
        return narrow(homes_.layOut(name, layout).home);
    }

    std::string javaOf(const std::string &home) { return normalised(wide(home + "\\bin\\java.exe")); }

    void writeLocationFile(const char *name, const std::string &line) {
        createDirectories(wide(homes_.path(".zanthor")));
        ASSERT_TRUE(writeFileBytes(wide(homes_.path(std::string(".zanthor\\") + name)), line));
    }

    ConfigRecords config_;
    HomesDirectory homes_;
    RunPlaces places_;
    RuntimeSearchWatch watch_;
    RuntimeSearchResult result_;
};

TEST_F(Search, SequenceIsWalkedInOrderUntilALibraryLoads) {
    std::string old = home("Old", "1.7.0_80");
    std::string unloadable = home("Unloadable");
    std::string good = home("Good", "11.0.20");
    EnvironmentVariable variable("PELLUX_TEST_GOOD_HOME", good);
    LogTail log;
    EXPECT_NE(search("A" + old + ";B" + unloadable + ";EPELLUX_TEST_GOOD_HOME;A" + old, {"\\good\\"}), nullptr);
    EXPECT_EQ(loaderCandidates, (std::vector<std::string>{javaOf(unloadable), javaOf(good)}));
    EXPECT_EQ(result_.kind, RuntimeLocationKind::EnvironmentVariable);
    EXPECT_STREQ(result_.locationName, "PELLUX_TEST_GOOD_HOME");
    EXPECT_STREQ(result_.javaExecutable, javaOf(good).c_str());
    EXPECT_STREQ(result_.version, "11.0.20");

    EXPECT_TRUE(log.hasLine(L"Searching for a JVM"));
    EXPECT_TRUE(log.hasLine(L"MinVersion: 1.8, MaxVersion: 17"));
    size_t first = log.find(L"Testing location " + wide(old) + L" (type A)");
    size_t second = log.find(L"Testing location " + wide(unloadable) + L" (type B)");
    size_t third = log.find(L"Testing location PELLUX_TEST_GOOD_HOME (type E)");
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    EXPECT_NE(third, std::wstring::npos);
    EXPECT_EQ(log.count(L"Testing location " + wide(old) + L" (type A)"), 1);
    EXPECT_FALSE(log.hasLine(L"Search sequence finished"));
}

TEST_F(Search, FailedSearchDescribesTheLastCandidateThatPassed) {
    std::string unloadable = home("Unloadable");
    EnvironmentVariable variable("PELLUX_TEST_HOME", unloadable);
    LogTail log;
    EXPECT_EQ(search("A" + unloadable + ";EPELLUX_TEST_HOME;Amissing"), nullptr);
    EXPECT_EQ(result_.kind, RuntimeLocationKind::EnvironmentVariable);
    EXPECT_STREQ(result_.locationName, "PELLUX_TEST_HOME");
    EXPECT_EQ(loaderCandidates.size(), 2u);
    EXPECT_TRUE(log.hasLine(L"Search sequence finished"));

    EXPECT_EQ(search("Amissing"), nullptr);
    EXPECT_EQ(result_.kind, RuntimeLocationKind::None);
    EXPECT_TRUE(loaderCandidates.empty());
}

TEST_F(Search, EmptySequenceStillReachesTheClosingVariablesInOrder) {
    std::string pellux = home("PelluxHome");
    std::string zanthor = home("ZanthorHome");
    std::string slashed = zanthor;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    EnvironmentVariable first("PELLUX_JAVA_HOME", pellux);
    EnvironmentVariable second("ZANTHOR_JAVA_HOME", slashed);
    LogTail log;
    EXPECT_NE(search("", {"\\zanthorhome\\"}), nullptr);
    EXPECT_EQ(loaderCandidates, (std::vector<std::string>{javaOf(pellux), javaOf(zanthor)}));
    EXPECT_EQ(result_.kind, RuntimeLocationKind::EnvironmentVariable);
    EXPECT_STREQ(result_.locationName, "ZANTHOR_JAVA_HOME");
    EXPECT_LT(log.find(L"Search sequence finished"), log.find(L"checkJavaExe (" + wide(pellux) +
                                                               L"\\bin\\java.exe, [out], 2, 1, 0)"));
}

TEST_F(Search, PreferredLocationAcceptsABetaTheInstallerLocationDoesNot) {
    config_.set(130, "0");
    std::string beta = home("Beta", "17-ea");
    writeLocationFile("inst_jre.cfg", beta + "\r\n");
    LogTail log;
    EXPECT_EQ(search("", {"\\beta\\"}), nullptr);
    EXPECT_TRUE(log.hasLine(L"Has installer location " + wide(beta)));
    EXPECT_TRUE(log.hasLine(L"beta vm not allowed"));
    EXPECT_FALSE(log.hasLine(L"Using installer location"));
    EXPECT_TRUE(loaderCandidates.empty());

    writeLocationFile("pref_jre.cfg", beta + "\r\n\r\nsecond line\n");
    LogTail preferred;
    EXPECT_NE(search("", {"\\beta\\"}), nullptr);
    EXPECT_TRUE(preferred.hasLine(L"Has preferred location " + wide(beta)));
    EXPECT_TRUE(preferred.hasLine(L"Using preferred location"));
    EXPECT_EQ(result_.kind, RuntimeLocationKind::Directory);
    EXPECT_EQ(result_.locationName, beta);
    EXPECT_FALSE(preferred.hasLine(L"Testing location"));
}

TEST_F(Search, LocationFileWithAnEmptyFirstLineCountsAsFound) {
    writeLocationFile("pref_jre.cfg", "\n" + home("Ignored"));
    LogTail log;
    EXPECT_EQ(search(""), nullptr);
    EXPECT_TRUE(log.hasLine(L"Has preferred location "));
    EXPECT_TRUE(loaderCandidates.empty());
}

TEST_F(Search, RelativeFallbackPassTakesAnyRuntimeThatIsPresent) {
    home("Shipped", "1.6.0_45");
    std::string relative = homes_.relative("Shipped");
    LogTail log;
    EXPECT_NE(search("B" + relative + ";b" + relative + ";A" + homes_.path("Shipped"), {"\\shipped\\"}), nullptr);
    EXPECT_TRUE(log.hasLine(L"Testing location " + wide(relative) + L" (type b)"));
    EXPECT_TRUE(log.hasLine(L"Testing relative location " + wide(relative)));
    EXPECT_EQ(log.count(L"Testing relative location " + wide(relative)), 1);
    EXPECT_FALSE(log.hasLine(L"Testing relative location " + wide(homes_.path("Shipped"))));
    EXPECT_TRUE(log.hasLine(wide(javaOf(homes_.path("Shipped"))) + L" exists"));
    EXPECT_EQ(result_.kind, RuntimeLocationKind::Directory);
    EXPECT_EQ(result_.locationName, relative);
    EXPECT_STREQ(result_.version, "1.6.0_45");
    ASSERT_EQ(loaderCandidates.size(), 1u);
}

TEST_F(Search, ForcedDirectoryIsHandedOnEvenWhenItsProbeFails) {
    config_.set(134, "1");
    std::string old = home("Forced", "1.5.0");
    EXPECT_NE(search("A" + old, {"\\forced\\"}), nullptr);
    EXPECT_EQ(loaderCandidates, (std::vector<std::string>{javaOf(old)}));
    EXPECT_EQ(result_.kind, RuntimeLocationKind::Directory);
    config_.set(134, "0");
    EXPECT_EQ(search("A" + old, {"\\forced\\"}), nullptr);
}

TEST_F(Search, DirectoryEntriesAreUnpackedBeforeTheirProbeVariableHomesAreNot) {
    RuntimeHomeLayout layout;
    layout.packedJars = {L"lib\\rt.jar.pack"};
    std::string packed = narrow(homes_.layOut("Packed", layout).home);
    EnvironmentVariable variable("PELLUX_TEST_PACKED", packed);
    EXPECT_NE(search("EPELLUX_TEST_PACKED", {"\\packed\\"}), nullptr);
    EXPECT_TRUE(pathExists((packed + "\\lib\\rt.jar.pack").c_str()));
    EXPECT_NE(search("A" + packed, {"\\packed\\"}), nullptr);
    EXPECT_FALSE(pathExists((packed + "\\lib\\rt.jar.pack").c_str()));
    EXPECT_TRUE(pathExists((packed + "\\lib\\rt.jar").c_str()));
}

TEST_F(Search, SearchPathEntryFindsJavaOnPath) {
    std::string onPath = home("OnPath");
    char oldPath[32768];
    DWORD length = GetEnvironmentVariableA("PATH", oldPath, sizeof oldPath);
    ASSERT_GT(length, 0u);
    SetEnvironmentVariableA("PATH", (onPath + "\\bin;" + oldPath).c_str());
    EXPECT_NE(search("Signored", {"\\onpath\\"}), nullptr);
    SetEnvironmentVariableA("PATH", oldPath);
    EXPECT_EQ(result_.kind, RuntimeLocationKind::SearchPath);
    EXPECT_STREQ(result_.locationName, "ignored");
    EXPECT_STREQ(result_.javaExecutable, javaOf(onPath).c_str());
}

// A service's current directory may be one its users write to: with record
// 30403 the "path" entry looks in PATH only.
TEST_F(Search, SearchPathEntrySkipsTheCurrentDirectoryWithItsRecord) {
    std::string current = home("Current");
    char oldDirectory[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, oldDirectory), 0u);
    std::string javaExe = javaOf(current);
    ASSERT_TRUE(SetCurrentDirectoryA(javaExe.substr(0, javaExe.rfind('\\')).c_str())) << javaExe;
    EXPECT_NE(search("Sit", {"\\current\\"}), nullptr) << "without the record, as described";
    config_.set(record::kStrictPathSearch, "1");
    EXPECT_EQ(search("Sit", {"\\current\\"}), nullptr);
    SetCurrentDirectoryA(oldDirectory);
}

TEST_F(Search, WarmCacheAcceptsTheFirstCandidateWithoutStartingAProcess) {
    RuntimeHome warm = homes_.layOut("Warm", RuntimeHomeLayout());
    std::string sequence = "A" + narrow(warm.home);
    EXPECT_NE(search(sequence, {"\\warm\\"}), nullptr);
    EXPECT_EQ(javaRunCount(warm), 1u);
    EXPECT_NE(search(sequence, {"\\warm\\"}), nullptr);
    EXPECT_NE(search(sequence, {"\\warm\\"}), nullptr);
    EXPECT_EQ(javaRunCount(warm), 1u);
}

TEST_F(Search, RegistryRuntimeThatFailsToLoadGivesWayToTheNextAndStaysRefused) {
    std::string newer = home("Newer", "17.0.1");
    std::string older = home("Older", "11.0.2");
    OwnedKeys keys;
    for (const std::string &runtime : {newer, older}) {
        std::string name = javaOf(runtime);
        std::replace(name.begin(), name.end(), '\\', '/');
        ASSERT_TRUE(keys.create(HKEY_CURRENT_USER, kLocatedKey + name));
    }
    EnvironmentVariable variable("PELLUX_TEST_NEWER", newer);
    LogTail log;
    EXPECT_NE(search("Y;EPELLUX_TEST_NEWER", {"\\older\\"}), nullptr);
    EXPECT_EQ(loaderCandidates, (std::vector<std::string>{javaOf(newer), javaOf(older)}));
    EXPECT_EQ(result_.kind, RuntimeLocationKind::Registry);
    EXPECT_TRUE(log.hasLine(L"add non-working java " + wide(javaOf(newer))));
    EXPECT_TRUE(log.hasLine(L"found located " + wide(javaOf(newer)) + L" 17.0.1"));

    // The failed executable stays refused for the rest of the process.
    EXPECT_EQ(search("EPELLUX_TEST_NEWER"), nullptr);
    EXPECT_TRUE(loaderCandidates.empty());
    EXPECT_EQ(result_.kind, RuntimeLocationKind::None);
}

TEST_F(Search, RegistryRetriesStopAfterFiftyFailedLibraries) {
    OwnedKeys keys;
    for (int i = 0; i < 51; i++) {
        // Bare files with warm cache records: probed without a process.
        std::string directory = homes_.path("Many\\r" + std::to_string(i) + "\\bin");
        createDirectories(wide(directory));
        std::string javaExe = normalised(wide(directory + "\\java.exe"));
        ASSERT_TRUE(writeFileBytes(wide(javaExe), ""));
        uint64_t time;
        ASSERT_TRUE(findFileTime(javaExe.c_str(), &time));
        writeVersionCache(javaExe.c_str(), time, ("11.0." + std::to_string(i)).c_str(), kTargetPeMachine);
        std::replace(javaExe.begin(), javaExe.end(), '\\', '/');
        ASSERT_TRUE(keys.create(HKEY_CURRENT_USER, kLocatedKey + javaExe));
    }
    LogTail log;
    EXPECT_EQ(search("Y"), nullptr);
    EXPECT_EQ(loaderCandidates.size(), 50u);
    EXPECT_EQ(watch_.nonWorking.size(), 50u);
    EXPECT_NE(loaderCandidates[0].find("\\r50\\"), std::string::npos);
    EXPECT_TRUE(log.hasLine(L"Search sequence finished"));
    EXPECT_EQ(result_.kind, RuntimeLocationKind::Registry);
}

}  // namespace
