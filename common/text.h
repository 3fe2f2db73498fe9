// Small text helpers shared by every subsystem. No Win32 here: these build on
// any host so the logic can run under the sanitizers.
#ifndef PELLUX_COMMON_TEXT_H
#define PELLUX_COMMON_TEXT_H

#include <cstddef>
#include <string>

// Copies src into dst (capacity in characters, terminator included), cutting
// at capacity - 1. Returns true when the whole text fitted.
bool copyText(char *dst, size_t capacity, const char *src);
bool copyText(wchar_t *dst, size_t capacity, const wchar_t *src);

// Each byte becomes the code unit of the same value (0x00 to 0xFF).
std::wstring widenBytes(const std::string &bytes);
// As above into a buffer; cut at capacity - 1. Returns true when it fitted.
bool widenBytes(wchar_t *dst, size_t capacity, const char *src);

// The inverse of widenBytes for code units up to 0xFF; others become "?".
std::string narrowBytes(const std::wstring &text);

bool startsWith(const std::wstring &text, const std::wstring &prefix);
// At most maxLength characters of the text, never half a surrogate pair.
std::wstring cutToLength(const std::wstring &text, size_t maxLength);
// A ";"-separated list cut to at most maxLength bytes by dropping whole
// entries from its end: a cut entry would name another folder.
std::string cutListToLength(const std::string &list, size_t maxLength);
bool startsWith(const std::string &text, const std::string &prefix);

// Splits at any run of the separator; empty pieces are dropped.
template <typename Char>
std::basic_string<Char> nextToken(const std::basic_string<Char> &text, size_t &pos, Char separator);

#endif
