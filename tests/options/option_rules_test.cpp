// How option entries read: option file lines, entry forms, version conditions,
// locale options and module options joined with their values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jvm/vm_option_rules.h"
#include "tests/host/log_capture.h"

namespace {

typedef std::vector<std::string> Texts;

TEST(OptionFileLines, TrimmedAndCommentsOrBlankLinesHoldNoEntry) {
    std::string line = "  \t-Dname=a b \v\f\r\n";
    EXPECT_TRUE(trimVmOptionLine(line));
    EXPECT_EQ(line, "-Dname=a b");
    for (std::string empty : {"", "\r\n", "   \t  \r\n", "   # comment"})
        EXPECT_FALSE(trimVmOptionLine(empty)) << empty;
}

TEST(OptionEntries, PrefixesIncludeTheirBlankAndAreCaseSensitive) {
    std::wstring rest;
    EXPECT_EQ(classifyVmOptionEntry(L"-classpath/p C:\\pre", rest), VmOptionEntryForm::ClassPathPrepend);
    EXPECT_EQ(rest, L"C:\\pre");
    EXPECT_EQ(classifyVmOptionEntry(L"-include-options a b", rest), VmOptionEntryForm::IncludeOptions);
    EXPECT_EQ(rest, L"a b");
    for (const wchar_t *option : {L"-classpath", L"-Classpath C:\\x", L"-classpath/x C:\\x"}) {
        EXPECT_EQ(classifyVmOptionEntry(option, rest), VmOptionEntryForm::Option) << option;
        EXPECT_EQ(rest, option);
    }
    EXPECT_EQ(joinVmOptionTokens({L"-include-options", L"a b", L"-Xrs", L"-include-options"}),
              (StringList{L"-include-options a b", L"-Xrs", L"-include-options"}));
}

TEST(VersionConditions, PatternsMatchTheWholeVersionText) {
    EXPECT_TRUE(matchVersionPattern("1.8*", "1.8.0_201"));
    EXPECT_TRUE(matchVersionPattern("11.0.?", "11.0.2"));
    EXPECT_FALSE(matchVersionPattern("11.0.?", "11.0.12"));
    EXPECT_TRUE(matchVersionPattern("*-ea", "17-ea"));
    EXPECT_FALSE(matchVersionPattern("*-ea", "17-ea+3"));
    EXPECT_TRUE(matchVersionPattern("**", ""));
    EXPECT_FALSE(matchVersionPattern("1.8", "1.8.0"));
    // Backtracking stays linear: this would take ages when recursive.
    std::string pattern = std::string(200, '*') + "x";
    EXPECT_FALSE(matchVersionPattern(pattern.c_str(), std::string(20000, 'a').c_str()));
}

TEST(VersionConditions, RangesCompareTheMajorVersion) {
    EXPECT_EQ(majorJavaVersion("1.8.0_292"), 8);
    EXPECT_EQ(majorJavaVersion("11.0.2"), 11);
    EXPECT_EQ(majorJavaVersion(""), -1);
    capturedLog().clear();
    EXPECT_FALSE(versionConditionHolds("8-8", "11.0.2", 11));
    EXPECT_TRUE(logContains(L"checking min 8 max 8 with 11"));
    EXPECT_TRUE(versionConditionHolds("*11.*", "11.0.2", 11));
    EXPECT_TRUE(versionConditionHolds("8-10", "1.8.0_292", 8));
    EXPECT_FALSE(versionConditionHolds("9-", "17", 17));
    EXPECT_TRUE(logContains(L"checking min 9 max 0 with 17"));
    EXPECT_TRUE(versionConditionHolds("8-99999999999999999999", "17", 17));
    EXPECT_FALSE(versionConditionHolds("11", "11", 11));
    EXPECT_TRUE(logContains(L"ERROR: expected dash"));
}

TEST(LocaleOptions, LastArgumentDecidesAndTrueAddsNoLocale) {
    StringList arguments = {L"Svc", L"-Dsun.locale.formatasdefault=true", L"-Dsun.locale.formatasdefault=false"};
    EXPECT_EQ(localeOptionEntries(arguments, "de", "CH"),
              (StringList{L"-Dsun.locale.formatasdefault=false", L"-Duser.language=de", L"-Duser.country=CH"}));
    EXPECT_EQ(localeOptionEntries(arguments, "en", nullptr),
              (StringList{L"-Dsun.locale.formatasdefault=false", L"-Duser.language=en"}));
    arguments.pop_back();
    EXPECT_EQ(localeOptionEntries(arguments, "de", "CH"), (StringList{L"-Dsun.locale.formatasdefault=true"}));
    EXPECT_TRUE(localeOptionEntries({L"-Dsun.locale.formatasdefault"}, "de", "CH").empty());
}

TEST(ModuleOptions, ModuleMainClassOpensItsPackageToTheRuntime) {
    ModuleOptions options = buildModuleOptions(true, "app/com.example.Main", "com.zanthor.runtime");
    EXPECT_EQ(options.addOpens, "--add-opens=app/com.example=com.zanthor.runtime");
    EXPECT_EQ(options.addModules, "--add-modules=app,com.zanthor.runtime");
    EXPECT_EQ(buildModuleOptions(false, "app/com.example.Main", "m").addModules, "--add-modules=m");
    ModuleOptions noPackage = buildModuleOptions(true, "app.x/Main", "m");
    EXPECT_EQ(noPackage.addOpens, "");
    EXPECT_EQ(noPackage.addModules, "--add-modules=app.x,m");
}

TEST(ModuleOptions, EachNameTakesTheFollowingOptionAsItsValueUnlessLast) {
    for (const char *name : {"--upgrade-module-path", "--add-modules", "--limit-modules", "--add-exports",
                             "--add-opens", "--add-reads", "--patch-module"}) {
        VmOptionList options = {"-Xrs", name, "value", name};
        mergeModuleOptions(options);
        EXPECT_EQ(options, (Texts{"-Xrs", std::string(name) + "=value", name}));
    }
}

}  // namespace
