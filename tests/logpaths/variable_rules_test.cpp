#include <gtest/gtest.h>

#include "paths/variable_rules.h"
#include "tests/host/log_capture.h"

namespace {

// An environment block: entries separated by NUL, closed by an empty entry.
template <typename Char>
std::basic_string<Char> block(std::initializer_list<const Char *> entries) {
    std::basic_string<Char> text;
    for (const Char *entry : entries) {
        text += entry;
        text.push_back(0);
    }
    text.push_back(0);
    return text;
}

class VariableExpansion : public ::testing::Test {
protected:
    void SetUp() override {
        capturedLog().clear();
        wide.executableDirectory.text = L"C:\\Program Files\\App\\";
        wide.tempRoot.text = L"C:\\Temp\\";
        wide.runtimeHome = {L"C:\\jre\\bin\\..", true};
        wide.launcherTempDirectory = {L"", true};
        narrow.executableDirectory = "C:\\PROGRA~1\\App\\";
        narrow.tempRoot = "C:\\Temp\\";
        narrow.runtimeHome = "C:\\jre\\bin\\..";
    }
    std::wstring expandWide(std::wstring text, const std::wstring &environment = block<wchar_t>({})) {
        expandWideText(text, wide, environment.c_str());
        return text;
    }
    std::string expandNarrow(std::string text, const std::string &environment = block<char>({}),
                             bool growable = false) {
        expandNarrowText(text, narrow, environment.c_str(), growable);
        return text;
    }

    WideExpansionValues wide;
    NarrowExpansionValues narrow;
};

TEST_F(VariableExpansion, every_launcher_variable_has_its_value) {
    EXPECT_EQ(expandWide(L"%PELLUX_EXEDIR%|%ZANTHOR_EXEDIR%|${PELLUX_EXEDIR}|${ZANTHOR_EXEDIR}|"
                         L"${launcher:sys.launcherDirectory}"),
              L"C:\\Program Files\\App\\|C:\\Program Files\\App\\|C:\\Program Files\\App\\|C:\\Program Files\\App\\|"
              L"C:\\Program Files\\App\\");
    EXPECT_EQ(expandWide(L"%PELLUX_PATHLIST_SEPARATOR%%ZANTHOR_PATHLIST_SEPARATOR%${PELLUX_PATHLIST_SEPARATOR}"
                         L"${ZANTHOR_PATHLIST_SEPARATOR}${launcher:sys.pathlistSeparator}"),
              L";;;;;");
    EXPECT_EQ(expandNarrow("%PELLUX_JVM_HOME%|%ZANTHOR_JVM_HOME%|${PELLUX_JVM_HOME}|${ZANTHOR_JVM_HOME}|"
                           "${launcher:sys.jvmHome}|${launcher:sys.tempDir}"),
              "C:\\jre\\bin\\..|C:\\jre\\bin\\..|C:\\jre\\bin\\..|C:\\jre\\bin\\..|C:\\jre\\bin\\..|C:\\Temp\\");
    narrow.launcherTempDirectory = "C:\\Temp\\plx1.tmp_dir5";
    EXPECT_EQ(expandNarrow("%PELLUX_TEMPDIR%|%ZANTHOR_TEMPDIR%|${PELLUX_TEMPDIR}|${ZANTHOR_TEMPDIR}|"
                           "${launcher:sys.launcherTempDirectory}"),
              "C:\\Temp\\plx1.tmp_dir5|C:\\Temp\\plx1.tmp_dir5|C:\\Temp\\plx1.tmp_dir5|C:\\Temp\\plx1.tmp_dir5|"
              "C:\\Temp\\plx1.tmp_dir5");
}

TEST_F(VariableExpansion, directory_and_name_meet_at_one_backslash) {
    EXPECT_EQ(expandNarrow("${launcher:sys.launcherDirectory}lib"), "C:\\PROGRA~1\\App\\lib");
}

TEST_F(VariableExpansion, no_extracted_files_leave_the_temp_directory_empty) {
    EXPECT_EQ(expandWide(L"[%ZANTHOR_TEMPDIR%]"), L"[]");
}

TEST_F(VariableExpansion, references_are_exact_and_case_sensitive) {
    EXPECT_EQ(expandWide(L"%pellux_exedir% ${Pellux_ExeDir} %PELLUX_EXEDIR ${launcher:sys.TempDir}"),
              L"%pellux_exedir% ${Pellux_ExeDir} %PELLUX_EXEDIR ${launcher:sys.TempDir}");
}

TEST_F(VariableExpansion, every_occurrence_is_replaced) {
    EXPECT_EQ(expandNarrow("a%PELLUX_PATHLIST_SEPARATOR%b%PELLUX_PATHLIST_SEPARATOR%c%PELLUX_PATHLIST_SEPARATOR%"),
              "a;b;c;");
    EXPECT_EQ(capturedLog().size(), 3u);
}

TEST_F(VariableExpansion, values_are_scanned_again_only_by_later_steps) {
    wide.runtimeHome = {L"%PELLUX_EXEDIR%|${launcher:sys.tempDir}", true};
    EXPECT_EQ(expandWide(L"%PELLUX_JVM_HOME%"), L"%PELLUX_EXEDIR%|C:\\Temp\\");
}

TEST_F(VariableExpansion, an_environment_reference_brought_in_by_a_launcher_value_is_expanded) {
    wide.runtimeHome = {L"${HOME}\\jre", true};
    EXPECT_EQ(expandWide(L"%PELLUX_JVM_HOME%", block<wchar_t>({L"HOME=C:\\home"})), L"C:\\home\\jre");
    EXPECT_EQ(expandNarrow("plain.jar", block<char>({"A=1"})), "plain.jar");
}

TEST_F(VariableExpansion, environment_variables_in_block_order_as_written_and_in_upper_case) {
    std::wstring environment = block<wchar_t>({L"Path=C:\\bin", L"HOME=C:\\home"});
    EXPECT_EQ(expandWide(L"${Path} ${PATH} ${path} ${HOME}", environment), L"C:\\bin C:\\bin ${path} C:\\home");
}

TEST_F(VariableExpansion, undefined_variables_stay_with_dollar_and_braces) {
    EXPECT_EQ(expandNarrow("x${NOT_DEFINED}y", block<char>({"OTHER=1"})), "x${NOT_DEFINED}y");
}

TEST_F(VariableExpansion, environment_values_do_not_reach_launcher_variables) {
    EXPECT_EQ(expandNarrow("${A}", block<char>({"A=${ZANTHOR_EXEDIR}"})), "${ZANTHOR_EXEDIR}");
}

TEST_F(VariableExpansion, a_reference_in_a_value_resolves_only_to_a_later_variable) {
    EXPECT_EQ(expandNarrow("${A}", block<char>({"A=${B}", "B=inner"})), "inner");
    EXPECT_EQ(expandNarrow("${B}", block<char>({"A=inner", "B=${A}"})), "${A}");
}

TEST_F(VariableExpansion, a_value_naming_its_own_variable_is_inserted_once) {
    EXPECT_EQ(expandNarrow("${X}", block<char>({"X=${X}"})), "${X}");
}

TEST_F(VariableExpansion, hidden_drive_entries_keep_their_names) {
    std::wstring environment = block<wchar_t>({L"=C:=C:\\work", L"A=1"});
    EXPECT_EQ(expandWide(L"${} ${=C:} ${A}", environment), L"${} C:\\work 1");
}

TEST_F(VariableExpansion, environment_blocks_split_into_names_and_values) {
    std::string environment = block<char>({"A=1=2", "=X:=X:\\", "EMPTY=", "noequals"});
    auto entries = environmentEntries(environment.c_str());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], std::make_pair(std::string("A"), std::string("1=2")));
    EXPECT_EQ(entries[1], std::make_pair(std::string("=X:"), std::string("X:\\")));
    EXPECT_EQ(entries[2], std::make_pair(std::string("EMPTY"), std::string()));
    EXPECT_TRUE(environmentEntries(static_cast<const char *>(nullptr)).empty());
}

TEST_F(VariableExpansion, each_variant_logs_its_own_line) {
    expandWide(L"%PELLUX_EXEDIR%x");
    expandWide(L"%PELLUX_JVM_HOME%");
    expandNarrow("${launcher:sys.tempDir}");
    expandNarrow("${launcher:sys.tempDir}", block<char>({}), true);
    EXPECT_EQ(capturedLog(), (std::vector<std::wstring>{
                                 L"expanding2 %PELLUX_EXEDIR% to C:\\Program Files\\App\\ in C:\\Program Files\\App\\x.",
                                 L"expanding2 %PELLUX_JVM_HOME% to C:\\jre\\bin\\.. in C:\\jre\\bin\\...",
                                 L"expanding2 ${launcher:sys.tempDir} to C:\\Temp\\ in C:\\Temp\\.",
                                 L"expanding2 ${launcher:sys.tempDir} to C:\\Temp\\.",
                             }));
}

TEST_F(VariableExpansion, values_that_multiply_stop_at_the_limit) {
    // Each variable doubles the text: 2^30 references if unchecked.
    std::vector<std::string> entries;
    for (int i = 0; i < 30; i++)
        entries.push_back("V" + std::to_string(i) + "=${V" + std::to_string(i + 1) + "}${V" + std::to_string(i + 1) + "}");
    entries.push_back("V30=xxxx");
    std::string environment;
    for (const auto &entry : entries)
        environment += entry + '\0';
    environment += '\0';
    std::string text = expandNarrow("${V0}", environment, true);
    EXPECT_LE(text.size(), kExpansionLimit);
    bool stopped = false;
    for (const auto &line : capturedLog())
        stopped = stopped || line.find(L"not expanded further: the text would exceed 32768 characters") != std::wstring::npos;
    EXPECT_TRUE(stopped);
}

TEST(ExpandedText, fits_or_is_cut_at_the_capacity_with_a_log_line) {
    capturedLog().clear();
    wchar_t wide[6];
    EXPECT_TRUE(storeExpandedText(wide, 6, L"12345"));
    EXPECT_EQ(std::wstring(wide), L"12345");
    EXPECT_TRUE(capturedLog().empty());
    wide[5] = L'#';
    EXPECT_FALSE(storeExpandedText(wide, 5, L"123456789"));
    EXPECT_EQ(std::wstring(wide), L"1234");
    EXPECT_EQ(wide[5], L'#') << "nothing written past the capacity";
    EXPECT_TRUE(logContains(L"ERROR: expanded text of 9 characters cut to 4: 1234"));

    char narrow[4] = {'#', '#', '#', '#'};
    EXPECT_FALSE(storeExpandedText(narrow, 3, std::string("abcdef")));
    EXPECT_EQ(std::string(narrow), "ab");
    EXPECT_EQ(narrow[3], '#');
    EXPECT_TRUE(logContains(L"ERROR: expanded text of 6 characters cut to 2: ab"));
}

TEST(ExpandedText, a_cut_never_keeps_half_a_surrogate_pair) {
    wchar_t buffer[4];
    std::wstring text = L"ab";
    text.push_back(static_cast<wchar_t>(0xD83D));
    text.push_back(static_cast<wchar_t>(0xDE00));
    EXPECT_FALSE(storeExpandedText(buffer, 4, text));
    EXPECT_EQ(std::wstring(buffer), L"ab");
}

}  // namespace
