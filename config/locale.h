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

// Records the language code and, for a five-character locale, the country code.
void setLocaleCodes(const std::string &locale);

// Detects the locale of the running user (falls back to "en"), records its codes
// and returns it.
std::string detectLocale();

// Copy the recorded code into out (capacity at least 3); false when there is none.
bool getLanguageCode(char *out, size_t capacity);
bool getCountryCode(char *out, size_t capacity);

#endif
