#include "writer/record_texts.h"

#include <cstring>

#include "writer/block_writer.h"

namespace {

bool isVersionSeparator(char c) { return c == '.' || c == '_' || c == '-' || c == '+'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The numeric components; only called on texts isVersionBoundText accepts.
std::vector<unsigned long long> versionComponents(const std::string &text) {
    std::vector<unsigned long long> components;
    unsigned long long value = 0;
    bool inNumber = false;
    for (char c : text) {
        if (isDigit(c)) {
            // Saturate: absurd components still compare sensibly.
            value = value > 100000000000ull ? value : value * 10 + static_cast<unsigned>(c - '0');
            inNumber = true;
        } else if (inNumber) {
            components.push_back(value);
            value = 0;
            inNumber = false;
        }
    }
    if (inNumber)
        components.push_back(value);
    return components;
}

}  // namespace

bool latin1FromUtf8(const std::string &utf8, std::string *latin1) {
    std::u16string units;
    if (!utf16FromUtf8(utf8, &units))
        return false;
    latin1->clear();
    for (char16_t unit : units) {
        if (unit > 0xFF)
            return false;
        latin1->push_back(static_cast<char>(unit));
    }
    return true;
}

std::string windowsPath(std::string path) {
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string quoteToken(const std::string &token) {
    if (!token.empty() && token.find_first_of(" \t\"") == std::string::npos)
        return token;
    // Inside quotes, a quote closes and the next one reopens with a literal quote.
    std::string quoted = "\"";
    for (char c : token)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string joinTokens(const std::vector<std::string> &tokens) {
    std::string text;
    for (const std::string &token : tokens)
        text += (text.empty() ? "" : " ") + quoteToken(token);
    return text;
}

bool isVersionBoundText(const std::string &text) {
    if (text.empty())
        return true;
    if (!isDigit(text.front()) || !isDigit(text.back()))
        return false;
    for (size_t i = 0; i < text.size(); i++) {
        if (isDigit(text[i]))
            continue;
        if (!isVersionSeparator(text[i]) || isVersionSeparator(text[i + 1]))
            return false;
    }
    return true;
}

bool isMinimumAboveMaximum(const std::string &minimum, const std::string &maximum) {
    std::vector<unsigned long long> low = versionComponents(minimum);
    std::vector<unsigned long long> high = versionComponents(maximum);
    for (size_t i = 0; i < low.size() && i < high.size(); i++)
        if (low[i] != high[i])
            return low[i] > high[i];
    return false;
}

bool hasFileNameCharacter(const std::string &text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || strchr("<>:\"/\\|?*", c))
            return true;
    return false;
}
