#include <gtest/gtest.h>

#include <cstdint>

#include "common/format.h"

namespace {

// The log and the console lines rely on the Windows runtime's meaning of
// "%s" and "%S"; the formatter must give it on every target.
TEST(FormatText, WideFormatTakesWideForLowerAndNarrowForCapitalS) {
    EXPECT_EQ(formatString(L"[%s|%S|%hs|%ls]", L"wide", "narrow", "h", L"l"), L"[wide|narrow|h|l]");
    EXPECT_EQ(formatString("[%s|%S|%hs|%ls]", "narrow", L"wide", "h", L"l"), "[narrow|wide|h|l]");
}

TEST(FormatText, NarrowTextIsWidenedByteByByte) {
    EXPECT_EQ(formatString(L"%S", "\xE9\xFF"), L"\u00e9\u00ff");
    EXPECT_EQ(formatString("%S", L"\u00e9\u4e2d"), "\xE9?");
}

TEST(FormatText, IntegersOfEverySize) {
    EXPECT_EQ(formatString(L"%d %d %u", -5, 2147483647, 4294967295u), L"-5 2147483647 4294967295");
    EXPECT_EQ(formatString(L"%I64d", static_cast<long long>(-9223372036854775807LL - 1)), L"-9223372036854775808");
    EXPECT_EQ(formatString(L"%lld %I64u", 1LL << 40, 18446744073709551615ULL), L"1099511627776 18446744073709551615");
    EXPECT_EQ(formatString(L"%x %X %#x %o", 255u, 255u, 255u, 8u), L"ff FF 0xff 10");
    EXPECT_EQ(formatString(L"%5d|%-5d|%05d|%+d|%.3d", 42, 42, -42, 7, 7), L"   42|42   |-0042|+7|007");
}

TEST(FormatText, DivisionBySmallDivisorsMatchesTheNativeOne) {
    const uint64_t values[] = {0, 1, 999, 1000, 0xFFFFFFFFull, 0x100000000ull, 0x123456789ABCDEFull, ~0ull};
    for (uint64_t value : values)
        for (uint32_t divisor : {1u, 8u, 10u, 16u, 1000u, 10000u, 65535u}) {
            uint32_t remainder = 0;
            EXPECT_EQ(divideBySmall(value, divisor, &remainder), value / divisor) << value << " / " << divisor;
            EXPECT_EQ(remainder, value % divisor) << value << " % " << divisor;
        }
}

TEST(FormatText, PointersPrintAsFullWidthUpperCaseHex) {
    void *pointer = reinterpret_cast<void *>(static_cast<uintptr_t>(0xABC));
    std::wstring expected = sizeof(void *) == 8 ? L"0000000000000ABC" : L"00000ABC";
    EXPECT_EQ(formatString(L"%p", pointer), expected);
}

TEST(FormatText, PrecisionLimitsStringsAndStarTakesArguments) {
    EXPECT_EQ(formatString(L"%.*S|%.2s|%*d", 3, "abcdef", L"xyz", 4, 1), L"abc|xy|   1");
    EXPECT_EQ(formatString("%s\\%.*s", "dir", 5, "name.jar.pack"), "dir\\name.");
}

TEST(FormatText, CharactersNullsAndPercent) {
    EXPECT_EQ(formatString(L"%c%C%%", L'w', 'n'), L"wn%");
    EXPECT_EQ(formatString(L"%s %S", static_cast<const wchar_t *>(nullptr), static_cast<const char *>(nullptr)),
              L"(null) (null)");
}

TEST(FormatText, UnknownConversionsStayAsWritten) {
    EXPECT_EQ(formatString(L"%q %"), L"%q %");
}

TEST(FormatText, BoundedFormReportsTheWholeLengthAndNeverOverruns) {
    wchar_t buffer[8];
    buffer[7] = L'#';
    size_t length = formatText(buffer, 7, L"%s-%d", L"abcdef", 12345);
    EXPECT_EQ(length, 12u);
    EXPECT_STREQ(buffer, L"abcdef");
    EXPECT_EQ(buffer[7], L'#');
    char narrow[4];
    EXPECT_EQ(formatText(narrow, 4, "%d", 7), 1u);
    EXPECT_STREQ(narrow, "7");
    EXPECT_EQ(formatText(narrow, 0, "%d", 12345), 5u);
}

TEST(FormatText, HugeWidthsAreBounded) {
    wchar_t buffer[16];
    formatText(buffer, 16, L"%*d", 2147483647, 1);
    EXPECT_EQ(std::wstring(buffer), std::wstring(15, L' '));
    formatText(buffer, 16, L"%*d", -2147483647 - 1, 1);
    EXPECT_EQ(buffer[0], L'1');
}

}  // namespace
