// What the block writer and the launcher must agree on about embedded files:
// the scrambling byte and which names may be extracted. Header only, so the
// writer can use it without the launcher's sources.
#ifndef PELLUX_CONFIG_EMBEDDED_FILES_FORMAT_H
#define PELLUX_CONFIG_EMBEDDED_FILES_FORMAT_H

#include <cstddef>
#include <string>

// Every content byte is stored exclusive-or'ed with this value; the same
// operation restores it.
const unsigned char kEmbeddedScrambleByte = 0xA5;

inline void scrambleBytes(unsigned char *bytes, size_t count) {
    for (size_t i = 0; i < count; i++)
        bytes[i] ^= kEmbeddedScrambleByte;
}

// A segment of dots and blanks only: Windows trims trailing dots and blanks,
// so ".. " or "..." could end up naming the parent directory.
inline bool isDotSegment(const std::string &name, size_t begin, size_t end) {
    if (begin == end)
        return false;
    for (size_t i = begin; i < end; i++)
        if (name[i] != '.' && name[i] != ' ')
            return false;
    return name[begin] == '.';
}

// True when the name stays inside the directory it is extracted to: not
// empty, no drive or stream (":"), no leading separator (absolute or UNC),
// and no parent segment between either kind of separator.
inline bool isContainedEmbeddedName(const std::string &name) {
    if (name.empty() || name[0] == '\\' || name[0] == '/' || name.find(':') != std::string::npos)
        return false;
    size_t begin = 0;
    for (;;) {
        size_t end = name.find_first_of("\\/", begin);
        if (end == std::string::npos)
            end = name.size();
        if (isDotSegment(name, begin, end))
            return false;
        if (end == name.size())
            return true;
        begin = end + 1;
    }
}

#endif
