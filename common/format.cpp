#include "common/format.h"

#include <cstdint>
#include <cstring>
#include <cwchar>

// One copy of the formatter serves both widths: the format is read and the
// output written as code units, narrow or wide as the caller's.
namespace {

struct Sink {
    bool narrow;                // char output, else wchar_t
    void *buffer;               // bounded output, or null
    size_t capacity;
    std::string *growNarrow;    // growing output, or null
    std::wstring *growWide;
    size_t length = 0;  // characters the whole text needs

    // Narrow text keeps code units up to 0xFF and turns the others into "?".
    void put(unsigned long code) {
        if (narrow && code > 0xFF)
            code = '?';
        if (growNarrow)
            growNarrow->push_back(static_cast<char>(code));
        else if (growWide)
            growWide->push_back(static_cast<wchar_t>(code));
        else if (length + 1 < capacity)
            store(length, code);
        length++;
    }
    void finish() {
        if (buffer && capacity > 0)
            store(length < capacity ? length : capacity - 1, 0);
    }

private:
    void store(size_t at, unsigned long code) {
        if (narrow)
            static_cast<char *>(buffer)[at] = static_cast<char>(code);
        else
            static_cast<wchar_t *>(buffer)[at] = static_cast<wchar_t>(code);
    }
};

// A position in a narrow or a wide format.
class FormatCursor {
public:
    FormatCursor(const char *narrow, const wchar_t *wide) : narrow_(narrow), wide_(wide) {}
    unsigned long operator*() const { return at(0); }
    unsigned long at(int ahead) const {
        return narrow_ ? static_cast<unsigned char>(narrow_[ahead]) : static_cast<unsigned long>(wide_[ahead]);
    }
    FormatCursor &operator+=(int step) {
        if (narrow_)
            narrow_ += step;
        else
            wide_ += step;
        return *this;
    }
    FormatCursor &operator++() { return *this += 1; }
    FormatCursor operator++(int) {
        FormatCursor before = *this;
        *this += 1;
        return before;
    }
    bool notAfter(const FormatCursor &other) const { return narrow_ ? narrow_ <= other.narrow_ : wide_ <= other.wide_; }

private:
    const char *narrow_;
    const wchar_t *wide_;
};

struct Conversion {
    bool leftAlign = false;
    bool zeroPad = false;
    bool plusSign = false;
    bool space = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;
    enum Size { Default, Short, Long, LongLong, SizeT } size = Default;
    int stringWidth = 0;  // 1 narrow, 2 wide, 0 per format convention
};

void pad(Sink &sink, int count, char c) {
    for (int i = 0; i < count; i++)
        sink.put(c);
}

template <typename From>
void putString(Sink &sink, const Conversion &conversion, const From *text) {
    static const char nullText[] = "(null)";
    size_t length = 0;
    if (text) {
        while ((conversion.precision < 0 || length < static_cast<size_t>(conversion.precision)) && text[length])
            length++;
    } else {
        length = sizeof nullText - 1;
        if (conversion.precision >= 0 && length > static_cast<size_t>(conversion.precision))
            length = conversion.precision;
    }
    int fill = conversion.width > static_cast<int>(length) ? conversion.width - static_cast<int>(length) : 0;
    if (!conversion.leftAlign)
        pad(sink, fill, ' ');
    for (size_t i = 0; i < length; i++) {
        unsigned long code = text ? static_cast<unsigned long>(
                                        sizeof(From) == 1 ? static_cast<unsigned char>(text[i]) : text[i])
                                  : static_cast<unsigned char>(nullText[i]);
        sink.put(code);
    }
    if (conversion.leftAlign)
        pad(sink, fill, ' ');
}

void putNumber(Sink &sink, const Conversion &conversion, uint64_t magnitude, bool negative, unsigned base,
               bool upper, const char *prefix) {
    char digits[72];
    int count = 0;
    const char *table = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    while (magnitude != 0) {
        uint32_t digit;
        magnitude = divideBySmall(magnitude, base, &digit);
        digits[count++] = table[digit];
    }
    int minimumDigits = conversion.precision >= 0 ? conversion.precision : 1;
    if (minimumDigits > 64)
        minimumDigits = 64;
    int zeros = count < minimumDigits ? minimumDigits - count : 0;
    char sign = negative ? '-' : conversion.plusSign ? '+' : conversion.space ? ' ' : 0;
    int prefixLength = static_cast<int>(strlen(prefix));
    int total = count + zeros + (sign ? 1 : 0) + prefixLength;
    int fill = conversion.width > total ? conversion.width - total : 0;
    bool padWithZeros = conversion.zeroPad && !conversion.leftAlign && conversion.precision < 0;
    if (!conversion.leftAlign && !padWithZeros)
        pad(sink, fill, ' ');
    if (sign)
        sink.put(static_cast<unsigned char>(sign));
    for (int i = 0; i < prefixLength; i++)
        sink.put(static_cast<unsigned char>(prefix[i]));
    if (padWithZeros)
        pad(sink, fill, '0');
    pad(sink, zeros, '0');
    while (count > 0)
        sink.put(static_cast<unsigned char>(digits[--count]));
    if (conversion.leftAlign)
        pad(sink, fill, ' ');
}

int64_t takeSigned(va_list &args, Conversion::Size size) {
    switch (size) {
    case Conversion::Long: return va_arg(args, long);
    case Conversion::LongLong: return va_arg(args, long long);
    case Conversion::SizeT: return static_cast<int64_t>(va_arg(args, ptrdiff_t));
    case Conversion::Short: return static_cast<short>(va_arg(args, int));
    default: return va_arg(args, int);
    }
}

uint64_t takeUnsigned(va_list &args, Conversion::Size size) {
    switch (size) {
    case Conversion::Long: return va_arg(args, unsigned long);
    case Conversion::LongLong: return va_arg(args, unsigned long long);
    case Conversion::SizeT: return va_arg(args, size_t);
    case Conversion::Short: return static_cast<unsigned short>(va_arg(args, unsigned int));
    default: return va_arg(args, unsigned int);
    }
}

// Widths and precisions beyond this are taken as this: no real text needs more.
const int kMaximumWidth = 100000;

int readNumber(FormatCursor &p) {
    int value = 0;
    while (*p >= '0' && *p <= '9') {
        if (value < kMaximumWidth)
            value = value * 10 + static_cast<int>(*p - '0');
        ++p;
    }
    return value;
}

// Reads flags, width, precision and length of one conversion; p points after "%".
Conversion readConversion(FormatCursor &p, va_list &args) {
    Conversion conversion;
    for (;; ++p) {
        if (*p == '-') conversion.leftAlign = true;
        else if (*p == '0') conversion.zeroPad = true;
        else if (*p == '+') conversion.plusSign = true;
        else if (*p == ' ') conversion.space = true;
        else if (*p == '#') conversion.alternate = true;
        else break;
    }
    if (*p == '*') {
        int width = va_arg(args, int);
        if (width < 0) {
            conversion.leftAlign = true;
            width = width < -kMaximumWidth ? kMaximumWidth : -width;
        }
        conversion.width = width > kMaximumWidth ? kMaximumWidth : width;
        p++;
    } else {
        conversion.width = readNumber(p);
    }
    if (*p == '.') {
        p++;
        if (*p == '*') {
            int precision = va_arg(args, int);
            conversion.precision = precision < 0 ? -1 : precision > kMaximumWidth ? kMaximumWidth : precision;
            p++;
        } else {
            conversion.precision = readNumber(p);
        }
    }
    if (*p == 'h') {
        p++;
        conversion.size = Conversion::Short;
        conversion.stringWidth = 1;
        if (*p == 'h')
            p++;
    } else if (*p == 'l' || *p == 'w') {
        conversion.stringWidth = 2;
        conversion.size = Conversion::Long;
        if (*p++ == 'l' && *p == 'l') {
            conversion.size = Conversion::LongLong;
            p++;
        }
    } else if (*p == 'I') {
        p++;
        if (p.at(0) == '6' && p.at(1) == '4') {
            conversion.size = Conversion::LongLong;
            p += 2;
        } else if (p.at(0) == '3' && p.at(1) == '2') {
            p += 2;
        } else {
            conversion.size = Conversion::SizeT;
        }
    } else if (*p == 'z' || *p == 't' || *p == 'j') {
        conversion.size = *p == 'j' ? Conversion::LongLong : Conversion::SizeT;
        p++;
    }
    return conversion;
}

void putStringArgument(Sink &sink, const Conversion &conversion, bool capital, va_list &args) {
    // The format's own width is wide for a wide format; a capital letter flips it.
    int width = conversion.stringWidth;
    if (width == 0)
        width = sink.narrow != capital ? 1 : 2;
    if (width == 1)
        putString(sink, conversion, va_arg(args, const char *));
    else
        putString(sink, conversion, va_arg(args, const wchar_t *));
}

void putCharArgument(Sink &sink, const Conversion &conversion, bool capital, va_list &args) {
    int width = conversion.stringWidth;
    if (width == 0)
        width = sink.narrow != capital ? 1 : 2;
    wchar_t text[2] = {0, 0};
    int value = va_arg(args, int);
    text[0] = width == 1 ? static_cast<wchar_t>(static_cast<unsigned char>(value)) : static_cast<wchar_t>(value);
    Conversion single = conversion;
    single.precision = 1;
    if (text[0] == 0) {
        // A NUL character still counts as one character of output.
        int fill = conversion.width > 1 ? conversion.width - 1 : 0;
        if (!conversion.leftAlign)
            pad(sink, fill, ' ');
        sink.put(0);
        if (conversion.leftAlign)
            pad(sink, fill, ' ');
        return;
    }
    putString(sink, single, text);
}

void formatInto(Sink &sink, FormatCursor p, va_list args) {
    va_list ap;
    va_copy(ap, args);
    for (; *p; ++p) {
        if (*p != '%') {
            sink.put(*p);
            continue;
        }
        FormatCursor start = p++;
        if (*p == '%') {
            sink.put('%');
            continue;
        }
        Conversion conversion = readConversion(p, ap);
        switch (*p) {
        case 'd':
        case 'i': {
            int64_t value = takeSigned(ap, conversion.size);
            uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
            putNumber(sink, conversion, magnitude, value < 0, 10, false, "");
            break;
        }
        case 'u': putNumber(sink, conversion, takeUnsigned(ap, conversion.size), false, 10, false, ""); break;
        case 'o': putNumber(sink, conversion, takeUnsigned(ap, conversion.size), false, 8, false, conversion.alternate ? "0" : ""); break;
        case 'x': putNumber(sink, conversion, takeUnsigned(ap, conversion.size), false, 16, false, conversion.alternate ? "0x" : ""); break;
        case 'X': putNumber(sink, conversion, takeUnsigned(ap, conversion.size), false, 16, true, conversion.alternate ? "0X" : ""); break;
        case 'p': {
            // The Windows runtime prints pointers as upper-case hex of full width.
            Conversion pointer = conversion;
            pointer.precision = static_cast<int>(2 * sizeof(void *));
            putNumber(sink, pointer, reinterpret_cast<uintptr_t>(va_arg(ap, void *)), false, 16, true, "");
            break;
        }
        case 's': putStringArgument(sink, conversion, false, ap); break;
        case 'S': putStringArgument(sink, conversion, true, ap); break;
        case 'c': putCharArgument(sink, conversion, false, ap); break;
        case 'C': putCharArgument(sink, conversion, true, ap); break;
        case 'n': (void)va_arg(ap, void *); break;
        default:
            // Not a conversion we know: keep the text as written.
            for (FormatCursor q = start; q.notAfter(p) && *q; ++q)
                sink.put(*q);
            if (*p == 0)
                p += -1;
            break;
        }
    }
    va_end(ap);
}

size_t formatBounded(Sink sink, FormatCursor format, va_list args) {
    formatInto(sink, format, args);
    sink.finish();
    return sink.length;
}

size_t formatBounded(char *out, size_t capacity, const char *format, va_list args) {
    return formatBounded(Sink{true, out, capacity, nullptr, nullptr}, FormatCursor(format, nullptr), args);
}

size_t formatBounded(wchar_t *out, size_t capacity, const wchar_t *format, va_list args) {
    return formatBounded(Sink{false, out, capacity, nullptr, nullptr}, FormatCursor(nullptr, format), args);
}

std::string formatGrowing(const char *format, va_list args) {
    std::string text;
    Sink sink{true, nullptr, 0, &text, nullptr};
    formatInto(sink, FormatCursor(format, nullptr), args);
    return text;
}

std::wstring formatGrowing(const wchar_t *format, va_list args) {
    std::wstring text;
    Sink sink{false, nullptr, 0, nullptr, &text};
    formatInto(sink, FormatCursor(nullptr, format), args);
    return text;
}

}  // namespace

uint64_t divideBySmall(uint64_t value, uint32_t divisor, uint32_t *remainder) {
    uint32_t high = static_cast<uint32_t>(value >> 32);
    uint32_t low = static_cast<uint32_t>(value);
    uint32_t middle = high % divisor << 16 | low >> 16;
    uint32_t bottom = middle % divisor << 16 | (low & 0xFFFF);
    if (remainder)
        *remainder = bottom % divisor;
    return static_cast<uint64_t>(high / divisor) << 32 | (middle / divisor) << 16 | bottom / divisor;
}

size_t formatTextV(wchar_t *out, size_t capacity, const wchar_t *format, va_list args) {
    return formatBounded(out, capacity, format, args);
}

size_t formatTextV(char *out, size_t capacity, const char *format, va_list args) {
    return formatBounded(out, capacity, format, args);
}

size_t formatText(wchar_t *out, size_t capacity, const wchar_t *format, ...) {
    va_list args;
    va_start(args, format);
    size_t length = formatBounded(out, capacity, format, args);
    va_end(args);
    return length;
}

size_t formatText(char *out, size_t capacity, const char *format, ...) {
    va_list args;
    va_start(args, format);
    size_t length = formatBounded(out, capacity, format, args);
    va_end(args);
    return length;
}

std::wstring formatStringV(const wchar_t *format, va_list args) { return formatGrowing(format, args); }
std::string formatStringV(const char *format, va_list args) { return formatGrowing(format, args); }

std::wstring formatString(const wchar_t *format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = formatGrowing(format, args);
    va_end(args);
    return text;
}

std::string formatString(const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = formatGrowing(format, args);
    va_end(args);
    return text;
}
