#include "standins/standin_format.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char NULL_ESCAPE[] = "\\N";

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void appendUtf8CodePoint(std::string &out, unsigned long codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// 0 for a byte that cannot start a sequence.
size_t utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead < 0xC0) return 0;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    if (lead < 0xF8) return 4;
    return 0;
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::string escapeRecordField(const std::string &bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            snprintf(escape, sizeof escape, "\\x%02X", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out;
}

std::string unescapeRecordField(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char next = text[++i];
        if (next == 't') {
            out += '\t';
        } else if (next == 'n') {
            out += '\n';
        } else if (next == 'r') {
            out += '\r';
        } else if (next == 'x' && i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 &&
                   hexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += next;
        }
    }
    return out;
}

std::string formatRecordLine(unsigned long processId, const std::string &event,
                             const RecordFields &fields) {
    std::string line = std::to_string(processId) + "\t" + escapeRecordField(event);
    for (const RecordField &field : fields) {
        line += '\t';
        line += field ? escapeRecordField(*field) : NULL_ESCAPE;
    }
    line += '\n';
    return line;
}

bool parseRecordLine(const std::string &line, unsigned long &processId, std::string &event,
                     RecordFields &fields) {
    std::vector<std::string> parts = splitText(line, '\t');
    if (parts.size() < 2 || parts[0].empty() || parts[1].empty()) return false;
    char *end = nullptr;
    processId = strtoul(parts[0].c_str(), &end, 10);
    if (*end != '\0') return false;
    event = unescapeRecordField(parts[1]);
    fields.clear();
    for (size_t i = 2; i < parts.size(); ++i) {
        if (parts[i] == NULL_ESCAPE) {
            fields.push_back(std::nullopt);
        } else {
            fields.push_back(unescapeRecordField(parts[i]));
        }
    }
    return true;
}

std::map<std::string, std::string> parseSettings(const std::string &text) {
    std::map<std::string, std::string> settings;
    for (std::string line : splitText(text, '\n')) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0) continue;
        std::string key = line.substr(0, equals);
        std::string value = unescapeRecordField(line.substr(equals + 1));
        auto found = settings.find(key);
        if (found == settings.end()) {
            settings[key] = value;
        } else {
            found->second += "\n" + value;
        }
    }
    return settings;
}

std::string settingText(const std::map<std::string, std::string> &settings, const char *key,
                        const std::string &fallback) {
    auto found = settings.find(key);
    return found == settings.end() ? fallback : found->second;
}

long settingNumber(const std::map<std::string, std::string> &settings, const char *key,
                   long fallback) {
    auto found = settings.find(key);
    if (found == settings.end() || found->second.empty()) return fallback;
    char *end = nullptr;
    long value = strtol(found->second.c_str(), &end, 0);
    return *end == '\0' ? value : fallback;
}

std::string openJdkBanner(const std::string &version) {
#if PELLUX_TARGET_BITS == 32
    const char *vmName = "OpenJDK Server VM";
#else
    const char *vmName = "OpenJDK 64-Bit Server VM";
#endif
    return "openjdk version \"" + version + "\" 2022-01-18\r\n" +
           "OpenJDK Runtime Environment (build " + version + "+8)\r\n" + vmName + " (build " +
           version + "+8, mixed mode)\r\n";
}

std::vector<std::string> splitText(const std::string &text, char separator) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        size_t next = text.find(separator, start);
        if (next == std::string::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, next - start));
        start = next + 1;
    }
}

std::string utf16ToUtf8(const std::u16string &text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            unsigned long codePoint =
                0x10000 + ((unit - 0xD800UL) << 10) + (text[i + 1] - 0xDC00UL);
            appendUtf8CodePoint(out, codePoint);
            ++i;
        } else {
            appendUtf8CodePoint(out, unit);
        }
    }
    return out;
}

std::string utf16ToModifiedUtf8(const std::u16string &text) {
    std::string out;
    for (char16_t unit : text) {
        if (unit == 0) {
            out += "\xC0\x80";
        } else {
            appendUtf8CodePoint(out, unit);
        }
    }
    return out;
}

std::u16string utf8ToUtf16(const std::string &text) {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length = utf8SequenceLength(lead);
        unsigned long codePoint = lead & (0xFFu >> (length + 1));
        if (length == 1) codePoint = lead;
        bool valid = length != 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            unsigned char follow = static_cast<unsigned char>(text[i + k]);
            valid = (follow & 0xC0) == 0x80;
            codePoint = (codePoint << 6) | (follow & 0x3F);
        }
        if (!valid || codePoint > 0x10FFFF) {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (codePoint >> 10));
            out += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
        } else {
            out += static_cast<char16_t>(codePoint);
        }
        i += length;
    }
    return out;
}
