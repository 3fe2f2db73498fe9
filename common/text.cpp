#include "common/text.h"

template <typename Char>
static bool copyBounded(Char *dst, size_t capacity, const Char *src) {
    if (capacity == 0)
        return src[0] == 0;
    size_t i = 0;
    for (; src[i] != 0; i++) {
        if (i + 1 == capacity) {
            dst[i] = 0;
            return false;
        }
        dst[i] = src[i];
    }
    dst[i] = 0;
    return true;
}

bool copyText(char *dst, size_t capacity, const char *src) { return copyBounded(dst, capacity, src); }
bool copyText(wchar_t *dst, size_t capacity, const wchar_t *src) { return copyBounded(dst, capacity, src); }

std::wstring widenBytes(const std::string &bytes) {
    std::wstring wide;
    wide.reserve(bytes.size());
    for (char c : bytes)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return wide;
}

bool widenBytes(wchar_t *dst, size_t capacity, const char *src) {
    if (capacity == 0)
        return src[0] == 0;
    size_t i = 0;
    for (; src[i] != 0; i++) {
        if (i + 1 == capacity) {
            dst[i] = 0;
            return false;
        }
        dst[i] = static_cast<wchar_t>(static_cast<unsigned char>(src[i]));
    }
    dst[i] = 0;
    return true;
}

std::string narrowBytes(const std::wstring &text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (wchar_t c : text)
        narrow.push_back(static_cast<unsigned long>(c) <= 0xFF ? static_cast<char>(c) : '?');
    return narrow;
}

bool startsWith(const std::wstring &text, const std::wstring &prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool startsWith(const std::string &text, const std::string &prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

template <typename Char>
std::basic_string<Char> nextToken(const std::basic_string<Char> &text, size_t &pos, Char separator) {
    while (pos < text.size() && text[pos] == separator)
        pos++;
    size_t end = text.find(separator, pos);
    if (end == std::basic_string<Char>::npos)
        end = text.size();
    std::basic_string<Char> token = text.substr(pos, end - pos);
    pos = end;
    return token;
}

template std::string nextToken(const std::string &, size_t &, char);
template std::wstring nextToken(const std::wstring &, size_t &, wchar_t);

std::wstring cutToLength(const std::wstring &text, size_t maxLength) {
    if (text.size() <= maxLength)
        return text;
    size_t length = maxLength;
    // Half a surrogate pair is no character at all.
    if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF)
        length--;
    return text.substr(0, length);
}

std::string cutListToLength(const std::string &list, size_t maxLength) {
    if (list.size() <= maxLength)
        return list;
    size_t end = list.rfind(';', maxLength);
    return end == std::string::npos ? std::string() : list.substr(0, end + 1);
}
