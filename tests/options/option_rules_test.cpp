// How option entries read: option file lines, entry forms, version conditions,
// locale options and module options joined with their values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jvm/vm_option_rules.h"
#include "tests/host/log_capture.h"

namespace {

typedef std::vector<std::string> Texts;

std::string trimmed(std::string line, bool *kept = nullptr) {
    bool entry = trimVmOptionLine(line);
    if (kept)
        *kept = entry;
    return line;
}

TEST(OptionFileLines, BlanksAndLineEndsAroundAnOptionAreDropped) {
    bool kept = false;
    EXPECT_EQ(trimmed("  \t-Xmx512m \t\r\n", &kept), "-Xmx512m");
    EXPECT_TRUE(kept);
    EXPECT_EQ(trimmed("\v\f-Dname=a b\f\v\n"), "-Dname=a b");
}

TEST(OptionFileLines, EmptyAndCommentLinesHoldNoEntry) {
    for (const char *line : {"", "\n", "\r\n", "   \t  \r\n", "# -Xmx1g\n", "   #indented comment"}) {
        bool kept = true;
        trimmed(line, &kept);
        EXPECT_FALSE(kept) << line;
    }
    bool kept = false;
    EXPECT_EQ(trimmed("-Dhash=#not-a-comment", &kept), "-Dhash=#not-a-comment");
    EXPECT_TRUE(kept);
}

TEST(OptionEntries, PrefixesIncludeTheirBlankAndAreCaseSensitive) {
    struct Case {
        const wchar_t *entry;
        VmOptionEntryForm form;
        const wchar_t *rest;
    } cases[] = {
        {L"-include-options common.vmoptions", VmOptionEntryForm::IncludeOptions, L"common.vmoptions"},
        {L"-classpath C:\\only", VmOptionEntryForm::ClassPath, L"C:\\only"},
        {L"-classpath/p C:\\pre", VmOptionEntryForm::ClassPathPrepend, L"C:\\pre"},
        {L"-classpath/a C:\\post", VmOptionEntryForm::ClassPathAppend, L"C:\\post"},
        {L"-classpath", VmOptionEntryForm::Option, L"-classpath"},
        {L"-include-options", VmOptionEntryForm::Option, L"-include-options"},
        {L"-Classpath C:\\x", VmOptionEntryForm::Option, L"-Classpath C:\\x"},
        {L"-classpath/x C:\\x", VmOptionEntryForm::Option, L"-classpath/x C:\\x"},
        {L"-Xmx1g", VmOptionEntryForm::Option, L"-Xmx1g"},
    };
    for (const Case &c : cases) {
        std::wstring rest;
        EXPECT_EQ(classifyVmOptionEntry(c.entry, rest), c.form) << c.entry;
        EXPECT_EQ(rest, c.rest);
    }
}

TEST(OptionEntries, IncludeOptionsTokenTakesTheNextTokenUnlessLast) {
    EXPECT_EQ(joinVmOptionTokens({L"-Xmx1g", L"-include-options", L"a b.vmoptions", L"-Xrs"}),
              (StringList{L"-Xmx1g", L"-include-options a b.vmoptions", L"-Xrs"}));
    EXPECT_EQ(joinVmOptionTokens({L"-Xrs", L"-include-options"}), (StringList{L"-Xrs", L"-include-options"}));
    EXPECT_EQ(joinVmOptionTokens({L"-include-options", L"-include-options", L"x"}),
              (StringList{L"-include-options -include-options", L"x"}));
}

TEST(VersionConditions, MajorVersionSkipsALeadingOne) {
    EXPECT_EQ(majorJavaVersion("1.8.0_201"), 8);
    EXPECT_EQ(majorJavaVersion("11.0.2"), 11);
    EXPECT_EQ(majorJavaVersion("17"), 17);
    EXPECT_EQ(majorJavaVersion("1"), 1);
    EXPECT_EQ(majorJavaVersion(""), -1);
}

TEST(VersionConditions, WildcardPatternMustConsumeTheWholeText) {
    EXPECT_TRUE(matchVersionPattern("1.8*", "1.8.0_201"));
    EXPECT_TRUE(matchVersionPattern("11.0.?", "11.0.2"));
    EXPECT_FALSE(matchVersionPattern("11.0.?", "11.0.12"));
    EXPECT_TRUE(matchVersionPattern("*-ea", "17-ea"));
    EXPECT_FALSE(matchVersionPattern("*-ea", "17-ea+3"));
    EXPECT_TRUE(matchVersionPattern("11.*.*", "11.0.2"));
    EXPECT_TRUE(matchVersionPattern("***", ""));
    EXPECT_FALSE(matchVersionPattern("?", ""));
    EXPECT_FALSE(matchVersionPattern("1.8", "1.8.0"));
    EXPECT_FALSE(matchVersionPattern("Ea*", "ea"));
}

TEST(VersionConditions, PatternWithManyStarsAgainstLongTextStaysQuick) {
    std::string pattern(200, '*');
    pattern += "x";
    std::string text(20000, 'a');
    EXPECT_FALSE(matchVersionPattern(pattern.c_str(), text.c_str()));
}

TEST(VersionConditions, RangeComparesTheMajorVersionInclusive) {
    capturedLog().clear();
    EXPECT_FALSE(versionConditionHolds("8-8", "11.0.2", 11));
    EXPECT_TRUE(logContains(L"checking min 8 max 8 with 11"));
    EXPECT_TRUE(versionConditionHolds("*11.*", "11.0.2", 11));
    EXPECT_TRUE(versionConditionHolds("8-10", "1.8.0_292", 8));
    EXPECT_TRUE(versionConditionHolds("11-11", "11", 11));
}

TEST(VersionConditions, MissingMaximumReadsAsZero) {
    capturedLog().clear();
    EXPECT_FALSE(versionConditionHolds("9-", "17", 17));
    EXPECT_TRUE(logContains(L"checking min 9 max 0 with 17"));
    EXPECT_TRUE(versionConditionHolds("-99", "17", 17));
    EXPECT_TRUE(versionConditionHolds("8-99999999999999999999", "17", 17));
}

TEST(VersionConditions, ConditionWithoutDashNeverHolds) {
    capturedLog().clear();
    EXPECT_FALSE(versionConditionHolds("11", "11", 11));
    EXPECT_FALSE(versionConditionHolds("", "11", 11));
    EXPECT_TRUE(logContains(L"ERROR: expected dash"));
}

TEST(LocaleOptions, LastArgumentCountsAndBringsLanguageAndCountry) {
    StringList arguments = {L"Svc", L"-Dsun.locale.formatasdefault=true", L"x",
                            L"-Dsun.locale.formatasdefault=false"};
    EXPECT_EQ(localeOptionEntries(arguments, "de", "CH"),
              (StringList{L"-Dsun.locale.formatasdefault=false", L"-Duser.language=de", L"-Duser.country=CH"}));
    EXPECT_EQ(localeOptionEntries(arguments, "en", nullptr),
              (StringList{L"-Dsun.locale.formatasdefault=false", L"-Duser.language=en"}));
}

TEST(LocaleOptions, TrueOrNoArgumentAddsNoLocale) {
    EXPECT_EQ(localeOptionEntries({L"Svc", L"-Dsun.locale.formatasdefault=true"}, "de", "CH"),
              (StringList{L"-Dsun.locale.formatasdefault=true"}));
    EXPECT_TRUE(localeOptionEntries({L"Svc", L"-Dsun.locale.formatasdefault"}, "de", "CH").empty());
    EXPECT_TRUE(localeOptionEntries({}, "de", "CH").empty());
}

TEST(ModuleOptions, ModuleMainClassOpensItsPackageToTheRuntime) {
    ModuleOptions options = buildModuleOptions(true, "app/com.example.Main", "com.zanthor.runtime");
    EXPECT_EQ(options.addOpens, "--add-opens=app/com.example=com.zanthor.runtime");
    EXPECT_EQ(options.addModules, "--add-modules=app,com.zanthor.runtime");
}

TEST(ModuleOptions, WithoutModuleMainClassOnlyTheRuntimeModule) {
    ModuleOptions options = buildModuleOptions(false, "app/com.example.Main", "com.pellux.runtime");
    EXPECT_EQ(options.addOpens, "");
    EXPECT_EQ(options.addModules, "--add-modules=com.pellux.runtime");
}

TEST(ModuleOptions, MainClassWithoutPackageOrModuleOpensNothing) {
    ModuleOptions noPackage = buildModuleOptions(true, "app/Main", "com.pellux.runtime");
    EXPECT_EQ(noPackage.addOpens, "");
    EXPECT_EQ(noPackage.addModules, "--add-modules=app,com.pellux.runtime");
    ModuleOptions noModule = buildModuleOptions(true, "com.example.Main", "com.pellux.runtime");
    EXPECT_EQ(noModule.addOpens, "");
    EXPECT_EQ(noModule.addModules, "--add-modules=com.example.Main,com.pellux.runtime");
    ModuleOptions dotBeforeSlash = buildModuleOptions(true, "app.x/Main", "com.pellux.runtime");
    EXPECT_EQ(dotBeforeSlash.addOpens, "");
    EXPECT_EQ(dotBeforeSlash.addModules, "--add-modules=app.x,com.pellux.runtime");
}

TEST(ModuleOptions, EachNameTakesTheFollowingOptionAsItsValue) {
    for (const char *name : {"--upgrade-module-path", "--add-modules", "--limit-modules", "--add-exports",
                             "--add-opens", "--add-reads", "--patch-module"}) {
        VmOptionList options = {"-Xrs", name, "value", "-Xmx1g"};
        mergeModuleOptions(options);
        EXPECT_EQ(options, (Texts{"-Xrs", std::string(name) + "=value", "-Xmx1g"})) << name;
    }
}

TEST(ModuleOptions, NameInLastPlaceOrWithValueAlreadyJoinedStays) {
    VmOptionList options = {"--add-exports", "jdk.internal.vm/jdk.internal=ALL-UNNAMED", "--add-opens=a=b",
                            "--add-reads"};
    mergeModuleOptions(options);
    EXPECT_EQ(options, (Texts{"--add-exports=jdk.internal.vm/jdk.internal=ALL-UNNAMED", "--add-opens=a=b",
                              "--add-reads"}));
    VmOptionList twice = {"--add-modules", "--add-modules", "x"};
    mergeModuleOptions(twice);
    EXPECT_EQ(twice, (Texts{"--add-modules=--add-modules", "x"}));
}

TEST(ArgumentFileOptions, OnlyOptionsStartingWithAtNameThem) {
    EXPECT_TRUE(hasArgumentFileOption({"-Xrs", "@opts.txt"}));
    EXPECT_FALSE(hasArgumentFileOption({"-Xrs", "", "-Dat=@x"}));
    EXPECT_FALSE(hasArgumentFileOption({}));
}

}  // namespace
