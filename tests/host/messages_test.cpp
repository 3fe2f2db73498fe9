#include <gtest/gtest.h>

#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "runtime/startup.h"

namespace {

TEST(MessageText, OnlyTheFirstPlaceholderIsReplaced) {
    EXPECT_EQ(substituteArgument(L"a {0} b {0}", L"X"), L"a X b {0}");
    EXPECT_EQ(substituteArgument(L"no placeholder", L"X"), L"no placeholder");
    EXPECT_EQ(substituteArgument(L"keeps {0}", nullptr), L"keeps {0}");
    EXPECT_EQ(substituteArgument(L"An internal error occurred (error code: {0})", L"16"),
              L"An internal error occurred (error code: 16)");
}

TEST(MessageText, LogPathFollowsAnEmptyLine) {
    EXPECT_EQ(composeShownText(L"Couldn't load main class.", L"C:\\t\\zno_nlog_1.log"),
              L"Couldn't load main class.\n\nLog: C:\\t\\zno_nlog_1.log");
    EXPECT_EQ(composeShownText(L"text", nullptr), L"text");
}

TEST(MessageText, LongCompositionsAreCutAtTheBuffer) {
    std::wstring longArgument(10000, L'a');
    EXPECT_EQ(substituteArgument(L"x{0}y", longArgument.c_str()).size(), kTextCapacity - 1);
    EXPECT_EQ(composeShownText(std::wstring(5990, L'm').c_str(), L"C:\\long\\path.log").size(), kTextCapacity - 1);
}

TEST(LogStamp, SecondsAndMillisecondsUnpadded) {
    EXPECT_EQ(formatLogStamp(0), L"[0:0] ");
    EXPECT_EQ(formatLogStamp(3007), L"[3:7] ");
    EXPECT_EQ(formatLogStamp(61500), L"[61:500] ");
}

TEST(LogStamp, ServicesRunningForMonthsKeepCounting) {
    const int64_t thirtyDays = 30LL * 24 * 3600 * 1000 + 250;
    EXPECT_EQ(formatLogStamp(thirtyDays), L"[2592000:250] ");
    EXPECT_EQ(formatLogStamp(-5), L"[0:0] ");
}

TEST(PathReduction, KeepsEntriesUnderTheWindowsDirectoryInOrder) {
    for (bool wholeFolders : {false, true}) {
        EXPECT_EQ(keepEntriesUnder(L"C:\\Windows\\system32;C:\\Tools;C:\\WINDOWS", L"C:\\Windows", wholeFolders),
                  L"C:\\Windows\\system32;C:\\WINDOWS");
        EXPECT_EQ(keepEntriesUnder(L"C:\\Tools;D:\\bin", L"C:\\Windows", wholeFolders), L"");
    }
    EXPECT_EQ(keepEntriesUnder(L";;c:\\windows;;C:\\WindowsApps;", L"C:\\Windows", false), L"c:\\windows;C:\\WindowsApps");
    // With record 30403 only whole folders: C:\WindowsApps and C:\Windows.old are others' folders.
    EXPECT_EQ(keepEntriesUnder(L"c:\\windows\\;C:\\WindowsApps;C:\\Windows.old\\bin;C:\\Windows/x", L"C:\\Windows\\", true),
              L"c:\\windows\\;C:\\Windows/x");
}

}  // namespace
