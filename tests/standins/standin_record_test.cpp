// Record lines, settings files and JNI string conversions read back what was
// written, whatever bytes the launcher handed over.
#include <gtest/gtest.h>

#include "standins/standin_format.h"
#include "standins/standin_protocol.h"
#include "standins/standin_record.h"

namespace {

TEST(StandinRecordFormat, fields_with_separators_control_bytes_and_null_survive_a_line) {
    RecordFields fields = {std::string("a\tb\\c\r\nd"), std::string("\x01\x7F\xC3\xBC"),
                           std::nullopt, std::string(""), std::string("\\N")};
    std::string line = formatRecordLine(42, "option", fields);
    ASSERT_EQ('\n', line.back());
    EXPECT_EQ(std::string::npos, line.substr(0, line.size() - 1).find_first_of("\r\n"));

    unsigned long processId = 0;
    std::string event;
    RecordFields read;
    ASSERT_TRUE(parseRecordLine(line.substr(0, line.size() - 1), processId, event, read));
    EXPECT_EQ(42u, processId);
    EXPECT_EQ("option", event);
    EXPECT_EQ(fields, read);
}

TEST(StandinRecordFormat, lines_without_process_id_or_event_are_refused) {
    unsigned long processId = 0;
    std::string event;
    RecordFields fields;
    EXPECT_FALSE(parseRecordLine("", processId, event, fields));
    EXPECT_FALSE(parseRecordLine("12", processId, event, fields));
    EXPECT_FALSE(parseRecordLine("x1\trun", processId, event, fields));
    EXPECT_FALSE(parseRecordLine("\trun", processId, event, fields));
}

TEST(StandinRecordFormat, runs_of_interleaving_processes_are_kept_apart) {
    std::string text =
        formatRecordLine(7, EVENT_RUN, {std::string("C:\\a\\jvm.dll")}) +
        formatRecordLine(9, EVENT_RUN, {std::string("C:\\b\\jvm.dll")}) +
        formatRecordLine(7, EVENT_OPTION, {std::string("-Xrs")}) + "garbage without tabs\n" +
        formatRecordLine(9, EVENT_OPTION, {std::string("-Xss1m")}) +
        formatRecordLine(7, EVENT_RUN, {std::string("C:\\a\\jvm.dll")}) +
        formatRecordLine(7, EVENT_DESTROY, {std::string("1")}) +
        formatRecordLine(5, EVENT_TRAP, {std::string("early")}) + "7\tmainEnter\tstill being writ";
    std::vector<StandinRun> runs = parseStandinRuns(text);
    ASSERT_EQ(4u, runs.size());
    EXPECT_EQ("C:\\a\\jvm.dll", runs[0].module);
    EXPECT_EQ(std::vector<std::string>{"-Xrs"}, interpretJvmRun(runs[0]).options);
    EXPECT_EQ(std::vector<std::string>{"-Xss1m"}, interpretJvmRun(runs[1]).options);
    EXPECT_TRUE(interpretJvmRun(runs[2]).destroyed);
    EXPECT_FALSE(interpretJvmRun(runs[0]).destroyed);
    EXPECT_EQ(std::vector<std::string>{"early"}, interpretJvmRun(runs[3]).traps)
        << "lines before any run line still count";
    EXPECT_EQ(-1, interpretJvmRun(runs[2]).findEvent(EVENT_MAIN_ENTER))
        << "a torn last line is not read";
}

TEST(StandinRecordFormat, missing_record_files_read_as_no_runs) {
    EXPECT_TRUE(readStandinRuns(L"C:\\no\\such\\record.txt").empty());
    EXPECT_FALSE(readStandinRecord(L"C:\\no\\such\\record.txt").present);
}

TEST(StandinSettings, comments_line_ends_escapes_and_repeated_keys) {
    auto settings = parseSettings(
        "# comment\r\nbanner=line 1\\r\nbanner=line 2\nexit=0x10\r\n"
        "=novalue\nnoequals\nempty=\n");
    EXPECT_EQ("line 1\r\nline 2", settings["banner"]);
    EXPECT_EQ(16, settingNumber(settings, "exit", 0));
    EXPECT_EQ(5, settingNumber(settings, "empty", 5));
    EXPECT_EQ(6, settingNumber(settings, "banner", 6)) << "not a number";
    EXPECT_EQ("fallback", settingText(settings, "absent", "fallback"));
    EXPECT_EQ(3u, settings.size());
}

TEST(StandinStrings, utf16_and_utf8_convert_both_ways_including_surrogates) {
    std::u16string text = u"a\u00fc\u20ac\U0001D11E";
    EXPECT_EQ("a\xC3\xBC\xE2\x82\xAC\xF0\x9D\x84\x9E", utf16ToUtf8(text));
    EXPECT_EQ(text, utf8ToUtf16(utf16ToUtf8(text)));
    std::string modified = utf16ToModifiedUtf8(std::u16string(u"x\0\U0001D11E", 4));
    EXPECT_EQ(std::string("x\xC0\x80\xED\xA0\xB4\xED\xB4\x9E"), modified);
    EXPECT_EQ(std::u16string(u"x\0\U0001D11E", 4), utf8ToUtf16(modified));
}

TEST(StandinStrings, broken_utf8_becomes_replacement_characters_without_overrun) {
    EXPECT_EQ(u"\uFFFD\uFFFD", utf8ToUtf16("\xE2\x82"));
    EXPECT_EQ(u"\uFFFDa", utf8ToUtf16("\x80"
                                      "a"));
    EXPECT_EQ(u"\uFFFD", utf8ToUtf16("\xFF"));
    EXPECT_EQ(u"\uFFFD\uFFFD", utf8ToUtf16("\xF4\x90"));
}

TEST(StandinStrings, a_lone_surrogate_is_kept_as_its_own_three_bytes) {
    EXPECT_EQ("\xED\xA0\x80", utf16ToUtf8(std::u16string(1, u'\xD800')));
}

}  // namespace
