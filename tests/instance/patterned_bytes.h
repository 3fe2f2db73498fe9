// Content for embedded files whose every piece differs, so a piece copied
// twice, skipped or misplaced shows.
#ifndef PELLUX_TESTS_INSTANCE_PATTERNED_BYTES_H
#define PELLUX_TESTS_INSTANCE_PATTERNED_BYTES_H

#include <cstddef>
#include <string>

inline std::string patterned(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; i++)
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    return bytes;
}

#endif
