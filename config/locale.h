// The user's locale in Java's form (language, "_", country), derived from the
// Windows interface language. It picks the localized message texts and gives
// the codes for "-Duser.language=" and "-Duser.country=".
#ifndef PELLUX_CONFIG_LOCALE_H
#define PELLUX_CONFIG_LOCALE_H

#include <cstddef>
#include <cstdint>
#include <string>

// The locale string for a Windows language id, or null when neither the id
// nor its primary language is known.
const char *findLocaleName(uint16_t languageId);

// Detects the locale of the running user; "en" when its language is unknown.
std::string detectLocale();

// The codes of a locale: the language for any but the empty one, the country
// for a five-character one; empty where there is none.
struct LocaleCodes {
    std::string language;
    std::string country;
};
LocaleCodes localeCodes(const std::string &locale);

#endif
