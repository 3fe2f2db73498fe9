// How the tool judges version bounds and texts before the launcher sees them.
#include <gtest/gtest.h>

#include "writer/record_texts.h"

namespace {

TEST(VersionBounds, OnlyBoundsNoVersionCanMeetAreRefused) {
    const struct {
        const char *minimum, *maximum;
        bool impossible;
    } cases[] = {
        {"1.8", "17", false},    {"11", "1.8", true},        {"17.0.2", "17", false}, {"17", "17.0.1", false},
        {"17.0.2", "17.0.1", true}, {"", "1.8", false},     {"21", "", false},       {"1.8.0_392", "1.8.0_400", false},
        {"1.8.0_400", "1.8.0_392", true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(isMinimumAboveMaximum(c.minimum, c.maximum), c.impossible) << c.minimum << " " << c.maximum;
}

TEST(VersionBounds, TextsAreDigitsBetweenSingleSeparators) {
    for (const char *good : {"", "17", "1.8", "1.8.0_392", "21+35", "11-0"})
        EXPECT_TRUE(isVersionBoundText(good)) << good;
    for (const char *bad : {"1.8.", ".8", "1..8", "17-ea", "v17", "1 8"})
        EXPECT_FALSE(isVersionBoundText(bad)) << bad;
}

TEST(RecordText, CarriesLatin1AndRefusesWhatItCannot) {
    std::string latin1;
    ASSERT_TRUE(latin1FromUtf8("Gr\xC3\xBC\xC3\x9F" "e", &latin1));
    EXPECT_EQ(latin1, "Gr\xFC\xDF" "e");
    EXPECT_FALSE(latin1FromUtf8("\xE2\x82\xAC", &latin1));  // the euro sign
    EXPECT_FALSE(latin1FromUtf8("\xC3", &latin1));
}

}  // namespace
