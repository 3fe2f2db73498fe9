#include <gtest/gtest.h>

#include <climits>

#include "common/records.h"
#include "config/settings.h"
#include "tests/host/log_capture.h"

namespace {

class ConfigAccessors : public ::testing::Test {
protected:
    void SetUp() override { capturedLog().clear(); }

    Settings settings_;
};

TEST_F(ConfigAccessors, MissingAndEmptyRecordsReadAlike) {
    settings_.records[146] = "";
    char narrow[16] = "junk";
    wchar_t wide[16] = L"junk";
    for (TextSetting text : {record::kWorkingDirectory, record::versionCondition(399)}) {
        settings_.text(text, narrow, sizeof narrow);
        EXPECT_STREQ(narrow, "");
        settings_.text(text, wide, 16);
        EXPECT_STREQ(wide, L"");
        EXPECT_EQ(settings_.text(text), "");
    }
    EXPECT_EQ(settings_.integer(record::kLauncherType), 0);
    EXPECT_FALSE(settings_.flag(record::kSingleInstance));
    EXPECT_TRUE(capturedLog().empty());
}

TEST_F(ConfigAccessors, LongValueIsCutAndTheCutLogged) {
    settings_.records[2001] = "isomething";
    char flavour[2];
    settings_.text(record::kLauncherFlavour, flavour, sizeof flavour);
    EXPECT_STREQ(flavour, "i");
    EXPECT_TRUE(logContains(L"ERROR: config string 2001 truncated (2 10)"));
}

TEST_F(ConfigAccessors, ValueOfExactlyCapacityMinusOneFitsSilently) {
    settings_.records[126] = "1.8";
    char text[4];
    settings_.text(record::kMinimumVersion, text, sizeof text);
    EXPECT_STREQ(text, "1.8");
    EXPECT_TRUE(capturedLog().empty());
}

TEST_F(ConfigAccessors, WideValueIsWidenedByteByByteAndBounded) {
    settings_.records[101] = "Caf\xE9 \xFF";
    wchar_t name[16];
    settings_.text(record::kServiceName, name, 16);
    EXPECT_STREQ(name, L"Caf\u00e9 \u00ff");
    wchar_t small[4];
    settings_.text(record::kServiceName, small, 4);
    EXPECT_STREQ(small, L"Caf");
    EXPECT_TRUE(logContains(L"ERROR: config string 101 truncated (4 6)"));
}

TEST_F(ConfigAccessors, IntegersParseLikeTheRuntimeWithoutOverflow) {
    const struct {
        const char *text;
        int32_t value;
    } cases[] = {{"20", 20},       {" 7x", 7},          {"x7", 0},          {"-12", -12},
                 {"+5", 5},        {"\t\n 42", 42},     {"- 1", 0},         {"2147483647", INT32_MAX},
                 {"2147483648", INT32_MAX}, {"99999999999999999999", INT32_MAX},
                 {"-2147483648", INT32_MIN}, {"-99999999999999999999", INT32_MIN}};
    for (const auto &c : cases) {
        settings_.records[107] = c.text;
        EXPECT_EQ(settings_.integer(record::kLauncherType), c.value) << c.text;
    }
}

TEST_F(ConfigAccessors, GetTextFallsBackToTheRecordOfTheSameId) {
    settings_.messages[1000] = L"Fehler";
    settings_.records[1000] = "ignored";
    settings_.records[1010] = "from record";
    settings_.messages[1011] = L"";
    settings_.records[1011] = "empty message";
    wchar_t text[32];
    settings_.messageOrRecord(message::kErrorCaption, text, 32);
    EXPECT_STREQ(text, L"Fehler");
    settings_.messageOrRecord(message::kMainClassNotLoaded, text, 32);
    EXPECT_STREQ(text, L"from record");
    settings_.messageOrRecord(message::kMainMethodNotFound, text, 32);
    EXPECT_STREQ(text, L"empty message");
    settings_.message(message::kMainClassNotLoaded, text, 32);
    EXPECT_STREQ(text, L"");
}

TEST_F(ConfigAccessors, LongMessageIsCutNotOverrun) {
    settings_.messages[1009] = std::wstring(100, L'x');
    wchar_t text[10];
    settings_.message(message::kInternalError, text, 10);
    EXPECT_EQ(std::wstring(text), std::wstring(9, L'x'));
}

}  // namespace
