// The version rules the runtime search applies, natively under the sanitizers.
#include <gtest/gtest.h>

#include <climits>

#include "config/settings.h"
#include "jre/java_version.h"
#include "jre/search_observer.h"
#include "tests/host/log_capture.h"
#include "tests/support/config_scope.h"

namespace {

class VersionRules : public ::testing::Test {
protected:
    void SetUp() override { capturedLog().clear(); }

    ConfigScope config_;

    const JavaVersion min18_ = parseJavaVersion("1.8");
    const JavaVersion max17_ = parseJavaVersion("17");
};

TEST_F(VersionRules, TextsSplitAtAnyRunOfSeparatorsAndReadLikeAtol) {
    EXPECT_EQ(parseJavaVersion("1.8.0_392-b08"), (JavaVersion{1, 8, 0, 392, 0}));
    EXPECT_EQ(parseJavaVersion("17.0.2+8"), (JavaVersion{17, 0, 2, 8}));
    EXPECT_EQ(parseJavaVersion("17-ea"), (JavaVersion{17, 0}));
    EXPECT_EQ(parseJavaVersion("17"), (JavaVersion{17}));
    EXPECT_EQ(parseJavaVersion("zulu-17.0.1"), (JavaVersion{0, 17, 0, 1}));
    EXPECT_EQ(parseJavaVersion("1..8__0"), (JavaVersion{1, 8, 0}));
    EXPECT_EQ(parseJavaVersion(" 11x.  7"), (JavaVersion{11, 7}));
    EXPECT_TRUE(parseJavaVersion("").empty());
    EXPECT_TRUE(parseJavaVersion(nullptr).empty());
    EXPECT_TRUE(parseJavaVersion("._-+").empty());
}

TEST_F(VersionRules, HugeComponentsSaturateInsteadOfOverflowing) {
    EXPECT_EQ(parseJavaVersion("99999999999999999999.1"), (JavaVersion{INT_MAX, 1}));
    EXPECT_TRUE(isVersionGreater("99999999999999999999", "2147483646"));
}

TEST_F(VersionRules, BoundsAreInclusiveAndCompareOnlyTheBoundsComponents) {
    struct Row {
        const char *candidate;
        bool accepted;
    } rows[] = {{"1.8.0_392", true}, {"1.7.0_80", false}, {"11.0.20", true},
                {"17.0.8.1", true},  {"21.0.1", false},   {"1", false}};
    for (const Row &row : rows)
        EXPECT_EQ(isVersionAcceptable(row.candidate, min18_, max17_, true), row.accepted) << row.candidate;
    EXPECT_TRUE(isVersionInRangePrefix("1", min18_, max17_));
    EXPECT_FALSE(isVersionInRangePrefix("21", min18_, max17_));
    EXPECT_TRUE(isVersionAcceptable("anything", JavaVersion(), JavaVersion(), true));
}

TEST_F(VersionRules, StrictBoundReadsAMissingComponentAsZeroLenientAccepts) {
    JavaVersion bound = parseJavaVersion("1.8");
    EXPECT_FALSE(matchesVersionBound(bound, parseJavaVersion("1"), BoundSide::Minimum, false));
    EXPECT_TRUE(matchesVersionBound(bound, parseJavaVersion("1"), BoundSide::Minimum, true));
    EXPECT_TRUE(matchesVersionBound(bound, parseJavaVersion("1"), BoundSide::Maximum, false));
    EXPECT_TRUE(matchesVersionBound(parseJavaVersion("0.0"), parseJavaVersion(""), BoundSide::Minimum, false));
    // Signed: a negative component lies below every bound of zero or more.
    EXPECT_FALSE(matchesVersionBound(parseJavaVersion("0"), JavaVersion{-1}, BoundSide::Minimum, false));
}

TEST_F(VersionRules, GreaterIsStrictAndALongerEqualPrefixWins) {
    EXPECT_TRUE(isVersionGreater("1.8.0", "1.8"));
    EXPECT_FALSE(isVersionGreater("1.8", "1.8.0"));
    EXPECT_FALSE(isVersionGreater("17", "17"));
    EXPECT_TRUE(isVersionGreater("17", "1.8.0_392"));
    EXPECT_FALSE(isVersionGreater("1.8.0_392", "11"));
    EXPECT_TRUE(isVersionGreater("1", ""));
    EXPECT_FALSE(isVersionGreater("", ""));
    EXPECT_FALSE(isVersionGreater("zulu-17", "1.8"));
}

// Record 130 joins the caller's flag in the probe (tests/jre/probe_test.cpp).
TEST_F(VersionRules, BetasAreRefusedUnlessAllowed) {
    for (const char *beta : {"17-ea", "17-beta", "11.0.1-rc"}) {
        EXPECT_FALSE(isVersionAcceptable(beta, min18_, max17_, false)) << beta;
        EXPECT_TRUE(isVersionAcceptable(beta, min18_, max17_, true)) << beta;
    }
    EXPECT_TRUE(isVersionAcceptable("1.8.0_392-b08", min18_, max17_, false));
    EXPECT_TRUE(isVersionAcceptable("17-EA", min18_, max17_, false));
}

// The reason diagnose and the log give: the beta rule before the bounds.
TEST_F(VersionRules, RefusalsNameTheirReason) {
    EXPECT_EQ(versionVerdict("1.6.0_45", min18_, max17_, false), CandidateVerdict::BelowMinimum);
    EXPECT_EQ(versionVerdict("21.0.1", min18_, max17_, false), CandidateVerdict::AboveMaximum);
    EXPECT_EQ(versionVerdict("21-ea", min18_, max17_, false), CandidateVerdict::BetaNotAllowed);
    EXPECT_EQ(versionVerdict("21-ea", min18_, max17_, true), CandidateVerdict::AboveMaximum);
    EXPECT_EQ(versionVerdict("17.0.9", min18_, max17_, false), CandidateVerdict::Accepted);
    EXPECT_STREQ(verdictText(CandidateVerdict::BelowMinimum), "below the minimum");
    EXPECT_STREQ(verdictText(CandidateVerdict::OtherArchitecture), "other architecture");
    EXPECT_STREQ(verdictText(CandidateVerdict::NoJvmDll), "no jvm.dll that loads");
}

TEST_F(VersionRules, DirectoryPartCutsJavaOrJavawExe) {
    EXPECT_EQ(javaExeDirLength("c:\\jdk\\bin\\java.exe"), 10u);
    EXPECT_EQ(javaExeDirLength("c:\\jdk\\bin\\javaw.exe"), 10u);
    EXPECT_EQ(javaExeDirLength("c:\\jdk\\bin\\JAVAW.EXE"), 11u);
    EXPECT_EQ(javaExeDirLength("java.exe"), 0u);
    EXPECT_EQ(javaExeDirLength(""), 0u);
}

TEST_F(VersionRules, VersionLineIsTakenBetweenTheQuotesOfTheLastMatchingLine) {
    EXPECT_EQ(versionsInOutput("openjdk version \"17\" 2021-09-14\nOpenJDK Runtime Environment\n"),
              (std::vector<std::string>{"17"}));
    EXPECT_EQ(versionsInOutput("java version \"1.8.0_392\"\r\nJava(TM) SE\r\n"),
              (std::vector<std::string>{"1.8.0_392"}));
    EXPECT_EQ(versionsInOutput("a version \"1\"\nb version \"2\""), (std::vector<std::string>{"1", "2"}));
}

TEST_F(VersionRules, VersionLineWithoutClosingQuoteLosesItsLastTwoCharacters) {
    EXPECT_EQ(versionsInOutput("java version \"1.8.0_392\r\n"), (std::vector<std::string>{"1.8.0_39"}));
    EXPECT_EQ(versionsInOutput("java version \"1"), (std::vector<std::string>{""}));
    EXPECT_EQ(versionsInOutput("java version \""), (std::vector<std::string>{""}));
    // Only the exact marker counts.
    EXPECT_TRUE(versionsInOutput("").empty());
    EXPECT_TRUE(versionsInOutput("version \"17\"\n").empty());
    EXPECT_TRUE(versionsInOutput("java version 17\n").empty());
    EXPECT_TRUE(versionsInOutput("java Version \"17\"\n").empty());
}

}  // namespace
