#include <gtest/gtest.h>

#include "common/records.h"
#include "tests/support/launcher_harness.h"

namespace {

class DiagnosticLog : public ::testing::Test {
protected:
    void SetUp() override {
        launcher_ = makeConfiguredLauncher(directory_.path(), L"App.exe", blockWith({{record::kServiceName, "LogTest"}}));
    }
    void run(EnvironmentChanges environment) { runProgram(launcher_, L"/?", environment); }
    EnvironmentChanges withSwitches(const wchar_t *pellux, const wchar_t *zanthor) {
        EnvironmentChanges changes = loggingInto(root_.path());
        changes.push_back({L"PELLUX_LOG", pellux ? std::optional<std::wstring>(pellux) : std::nullopt});
        changes.push_back({L"ZANTHOR_LOG", zanthor ? std::optional<std::wstring>(zanthor) : std::nullopt});
        return changes;
    }

    ScratchDirectory directory_;
    ScratchDirectory root_;
    std::wstring launcher_;
};

TEST_F(DiagnosticLog, EachProcessWritesTheNextFreeFile) {
    run(loggingInto(root_.path()));
    run(loggingInto(root_.path()));
    EXPECT_TRUE(fileExists(root_.file(L"zno_nlog_1.log")));
    EXPECT_TRUE(fileExists(root_.file(L"zno_nlog_2.log")));
    EXPECT_FALSE(fileExists(root_.file(L"zno_nlog_3.log")));
}

TEST_F(DiagnosticLog, FileIsUtf8WithHeaderStampsAndCrlf) {
    run(loggingInto(root_.path()));
    std::string bytes = readFileBytes(root_.file(L"zno_nlog_1.log"));
    ASSERT_EQ(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0);
    std::wstring text = readUtf8File(root_.file(L"zno_nlog_1.log"));
    EXPECT_EQ(text.rfind(L"Started executable " + launcher_ + L" at ", 0), 0u) << text;
    size_t headerEnd = text.find(L"\r\n");
    ASSERT_NE(headerEnd, std::wstring::npos);
    EXPECT_EQ(text.compare(headerEnd, 4, L"\r\n\r\n"), 0) << "the time ends with its own line feed";
    EXPECT_EQ(text.compare(headerEnd + 4, 3, L"[0:"), 0) << text;
    EXPECT_EQ(text.find(L"\n", headerEnd + 2), text.find(L"\r\n", headerEnd + 2) + 1);
}

TEST_F(DiagnosticLog, OnlyTheExactWordYesSwitchesItOn) {
    run(withSwitches(nullptr, L"Yes"));
    run(withSwitches(L"YES", L"no"));
    EXPECT_FALSE(fileExists(root_.file(L"zno_nlog_1.log")));
    run(withSwitches(nullptr, L"yes"));
    EXPECT_TRUE(fileExists(root_.file(L"zno_nlog_1.log")));
    run(withSwitches(L"yes", nullptr));
    EXPECT_TRUE(fileExists(root_.file(L"zno_nlog_2.log")));
}

}  // namespace
