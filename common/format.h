// printf-style formatting with the Windows C runtime's conventions, built here
// so that it behaves the same on every target and on the host: in a wide
// format "%s" takes a wide string and "%S" a narrow one; in a narrow format it
// is the other way round. "%hs" is always narrow, "%ls"/"%ws" always wide.
// Supported: flags "-0+ #", width and precision (also "*"), the length
// modifiers h, l, ll, I, I32, I64, z, and the conversions d i u x X o c C s S p %.
// "%n" is ignored. Narrow strings inserted into wide text are widened byte by
// byte; wide strings inserted into narrow text keep code units up to 0xFF and
// turn the others into "?".
#ifndef PELLUX_COMMON_FORMAT_H
#define PELLUX_COMMON_FORMAT_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

// Bounded forms: write at most capacity - 1 characters and a terminator (none
// when capacity is 0). They return the length the whole text needs, so a
// result >= capacity means the text was cut.
size_t formatTextV(wchar_t *out, size_t capacity, const wchar_t *format, va_list args);
size_t formatTextV(char *out, size_t capacity, const char *format, va_list args);
size_t formatText(wchar_t *out, size_t capacity, const wchar_t *format, ...);
size_t formatText(char *out, size_t capacity, const char *format, ...);

// Growing forms.
std::wstring formatStringV(const wchar_t *format, va_list args);
std::string formatStringV(const char *format, va_list args);
std::wstring formatString(const wchar_t *format, ...);
std::string formatString(const char *format, ...);

// value / divisor, and value % divisor in *remainder, for a divisor from 1 to
// 65535: long division in 16-bit steps keeps every step within 32 bits, so a
// 32-bit launcher needs no 64-bit division routine of the compiler's library.
uint64_t divideBySmall(uint64_t value, uint32_t divisor, uint32_t *remainder);

#endif
