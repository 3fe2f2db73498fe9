#include <gtest/gtest.h>

#include "config/locale.h"

namespace {

std::string localeOf(uint16_t id) {
    const char *name = findLocaleName(id);
    return name ? name : "";
}

TEST(LocaleTable, FullIdsMatchExactly) {
    EXPECT_EQ(localeOf(0x0407), "de_DE");
    EXPECT_EQ(localeOf(0x0C07), "de_AT");
    EXPECT_EQ(localeOf(0x0409), "en_US");
    EXPECT_EQ(localeOf(0x0814), "no_NO_NY");
    EXPECT_EQ(localeOf(0x2409), "en");
    EXPECT_EQ(localeOf(0x500A), "es_PR");
}

TEST(LocaleTable, UnknownSublanguageFallsBackToThePrimaryLanguage) {
    EXPECT_EQ(localeOf(0x1C07), "de");
    EXPECT_EQ(localeOf(0x040D), "iw_IL");
    EXPECT_EQ(localeOf(0x080D), "iw");
}

TEST(LocaleTable, UnknownPrimaryLanguageHasNoLocale) {
    EXPECT_EQ(findLocaleName(0x0442), nullptr);
    EXPECT_EQ(findLocaleName(0x0000), nullptr);
}

TEST(LocaleCodes, FiveCharacterLocaleGivesLanguageAndCountry) {
    EXPECT_EQ(localeCodes("de_CH").language, "de");
    EXPECT_EQ(localeCodes("de_CH").country, "CH");
}

TEST(LocaleCodes, OtherLengthsHaveNoCountry) {
    for (const char *locale : {"no_NO_NY", "en", "ts"}) {
        EXPECT_EQ(localeCodes(locale).language, std::string(locale).substr(0, 2));
        EXPECT_EQ(localeCodes(locale).country, "") << locale;
    }
}

}  // namespace
