#include <gtest/gtest.h>

#include "common/text.h"
#include "diagnostics/fatal.h"
#include "paths/path_rules.h"

namespace {

TEST(ShownMessage, a_long_message_gives_way_to_the_log_path) {
    std::wstring shown = composeShownText(std::wstring(7000, L'm'), L"C:\\Temp\\zno_nlog_1.log");
    EXPECT_EQ(shown.size(), kTextCapacity - 1);
    const std::wstring logLine = L"\n\nLog: C:\\Temp\\zno_nlog_1.log";
    EXPECT_EQ(shown.compare(shown.size() - logLine.size(), logLine.size(), logLine), 0);
}

TEST(ShownMessage, a_log_path_longer_than_the_buffer_is_cut_too) {
    std::wstring path(7000, L'p');
    EXPECT_EQ(composeShownText(L"message", path.c_str()).size(), kTextCapacity - 1);
}

TEST(ShownMessage, cuts_never_split_a_surrogate_pair) {
    std::wstring text(kTextCapacity - 2, L'a');
    text.push_back(static_cast<wchar_t>(0xD83D));
    text.push_back(static_cast<wchar_t>(0xDE00));
    std::wstring shown = substituteArgument(text, nullptr);
    EXPECT_EQ(shown.size(), kTextCapacity - 2);
    EXPECT_EQ(cutToLength(L"short", 10), L"short");
}

TEST(PathText, trailing_separator_added_only_when_missing) {
    EXPECT_EQ(withTrailingSeparator(std::string("C:\\Temp")), "C:\\Temp\\");
    EXPECT_EQ(withTrailingSeparator(std::wstring(L"C:\\Temp\\")), L"C:\\Temp\\");
    EXPECT_EQ(withTrailingSeparator(std::string("C:/Temp/")), "C:/Temp/");
}

// Under Wine a console program's pipe stays open until the program ends, so a
// command that closes its output and lingers on cannot be staged there.
TEST(CommandShellOutput, only_a_finished_successful_command_with_a_line_gives_a_path) {
    EXPECT_EQ(shortPathFromCommandOutput("C:\\PROGRA~1\\App.exe\r\n", 0), "C:\\PROGRA~1\\App.exe");
    EXPECT_EQ(shortPathFromCommandOutput("C:\\PROGRA~1\\App.exe\r\n", kStillActive), "");
    EXPECT_EQ(shortPathFromCommandOutput("C:\\PROGRA~1\\App.exe\r\n", 1), "");
    EXPECT_EQ(shortPathFromCommandOutput("C:\\PROGRA~1\\App.exe", 0), "") << "no line end";
    EXPECT_EQ(shortPathFromCommandOutput("C:\\\r\n", 0), "") << "five bytes are not enough";
    EXPECT_EQ(shortPathFromCommandOutput("C:\\A.EXE\nmore\n", 0), "C:\\A.EXE");
}

}  // namespace
