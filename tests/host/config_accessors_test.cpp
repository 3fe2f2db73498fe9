#include <gtest/gtest.h>

#include <climits>

#include "common/records.h"
#include "config/config_store.h"
#include "tests/host/log_capture.h"
#include "tests/support/config_scope.h"

namespace {

class ConfigAccessors : public ::testing::Test {
protected:
    void SetUp() override { capturedLog().clear(); }

    ConfigScope config_;
};

TEST_F(ConfigAccessors, MissingAndEmptyRecordsReadAlike) {
    configStore().records[146] = "";
    char narrow[16] = "junk";
    wchar_t wide[16] = L"junk";
    for (int id : {146, 999}) {
        getConfigString(id, narrow, sizeof narrow);
        EXPECT_STREQ(narrow, "");
        getConfigStringW(id, wide, 16);
        EXPECT_STREQ(wide, L"");
        EXPECT_EQ(getConfigStringCopy(id), "");
        EXPECT_EQ(getConfigInt(id), 0);
    }
    EXPECT_TRUE(capturedLog().empty());
}

TEST_F(ConfigAccessors, LongValueIsCutAndTheCutLogged) {
    configStore().records[2001] = "isomething";
    char flavour[2];
    getConfigString(record::kLauncherFlavour, flavour, sizeof flavour);
    EXPECT_STREQ(flavour, "i");
    EXPECT_TRUE(logContains(L"ERROR: config string 2001 truncated (2 10)"));
}

TEST_F(ConfigAccessors, ValueOfExactlyCapacityMinusOneFitsSilently) {
    configStore().records[126] = "1.8";
    char text[4];
    getConfigString(record::kMinimumVersion, text, sizeof text);
    EXPECT_STREQ(text, "1.8");
    EXPECT_TRUE(capturedLog().empty());
}

TEST_F(ConfigAccessors, WideValueIsWidenedByteByByteAndBounded) {
    configStore().records[101] = "Caf\xE9 \xFF";
    wchar_t name[16];
    getConfigStringW(record::kServiceName, name, 16);
    EXPECT_STREQ(name, L"Caf\u00e9 \u00ff");
    wchar_t small[4];
    getConfigStringW(record::kServiceName, small, 4);
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
        configStore().records[107] = c.text;
        EXPECT_EQ(getConfigInt(record::kLauncherType), c.value) << c.text;
    }
}

TEST_F(ConfigAccessors, GetTextFallsBackToTheRecordOfTheSameId) {
    configStore().messages[1000] = L"Fehler";
    configStore().records[1000] = "ignored";
    configStore().records[1010] = "from record";
    configStore().messages[1011] = L"";
    configStore().records[1011] = "empty message";
    wchar_t text[32];
    getText(message::kErrorCaption, text, 32);
    EXPECT_STREQ(text, L"Fehler");
    getText(message::kMainClassNotLoaded, text, 32);
    EXPECT_STREQ(text, L"from record");
    getText(message::kMainMethodNotFound, text, 32);
    EXPECT_STREQ(text, L"empty message");
    getMessageText(message::kMainClassNotLoaded, text, 32);
    EXPECT_STREQ(text, L"");
}

TEST_F(ConfigAccessors, LongMessageIsCutNotOverrun) {
    configStore().messages[1009] = std::wstring(100, L'x');
    wchar_t text[10];
    getMessageText(message::kInternalError, text, 10);
    EXPECT_EQ(std::wstring(text), std::wstring(9, L'x'));
}

}  // namespace
