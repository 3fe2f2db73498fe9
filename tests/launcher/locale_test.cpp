#include <gtest/gtest.h>

#include "config/locale.h"
#include "tests/support/launcher_harness.h"

namespace {

// Run with LANG=de_DE.UTF-8 and a compiled locale (see CMakeLists.txt).
TEST(UserLocale, InterfaceLanguageGivesLocaleAndCodes) {
    std::string locale = detectLocale();
    EXPECT_EQ(locale, "de_DE");
    EXPECT_EQ(localeCodes(locale).language, "de");
    EXPECT_EQ(localeCodes(locale).country, "DE");
}

TEST(UserLocale, LauncherLogsTheLocaleItUses) {
    ScratchDirectory directory, root;
    std::wstring launcher = makeConfiguredLauncher(directory.path(), L"App.exe", blockWith({}));
    runProgram(launcher, L"/?", loggingInto(root.path()));
    EXPECT_NE(readUtf8File(root.file(L"zno_nlog_1.log")).find(L"language/country is de_DE"), std::wstring::npos);
}

}  // namespace
