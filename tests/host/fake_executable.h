// Just enough of a PE file for the configuration block to be located.
#ifndef PELLUX_TESTS_HOST_FAKE_EXECUTABLE_H
#define PELLUX_TESTS_HOST_FAKE_EXECUTABLE_H

#include <cstdint>
#include <cstring>
#include <string>

inline void putAt(std::string &bytes, size_t offset, uint32_t value, int width) {
    for (int i = 0; i < width; i++)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Two sections; the last one's raw data ends at lastSectionEnd.
inline std::string fakeExecutable(uint32_t lastSectionEnd) {
    std::string bytes(lastSectionEnd, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    putAt(bytes, 60, 0x80, 4);
    memcpy(&bytes[0x80], "PE\0\0", 4);
    putAt(bytes, 0x80 + 6, 2, 2);
    putAt(bytes, 0x80 + 20, 0xE0, 2);
    size_t table = 0x80 + 24 + 0xE0;
    putAt(bytes, table + 16, 0x100, 4);
    putAt(bytes, table + 20, 0x200, 4);
    putAt(bytes, table + 40 + 16, lastSectionEnd - 0x400, 4);
    putAt(bytes, table + 40 + 20, 0x400, 4);
    return bytes;
}

#endif
