// Cuts one fuzz input into the pieces a target needs. Pieces are separated by
// a NUL byte, so seed files stay readable text; a target that keeps state
// through the log starts each input from an empty capture.
#ifndef PELLUX_TESTS_FUZZ_FUZZ_INPUT_H
#define PELLUX_TESTS_FUZZ_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/host/log_capture.h"

class FuzzInput {
public:
    FuzzInput(const uint8_t *data, size_t size) : bytes_(reinterpret_cast<const char *>(data), size) {
        capturedLog().clear();
    }
    bool empty() const { return position_ >= bytes_.size(); }
    // The text up to the next NUL (or the end), which is passed over.
    std::string piece() {
        size_t end = bytes_.find('\0', position_);
        if (end == std::string::npos)
            end = bytes_.size();
        std::string text = position_ < end ? bytes_.substr(position_, end - position_) : std::string();
        position_ = end + 1;
        return text;
    }
    // Everything not yet taken.
    std::string rest() {
        std::string text = position_ < bytes_.size() ? bytes_.substr(position_) : std::string();
        position_ = bytes_.size();
        return text;
    }

private:
    std::string bytes_;
    size_t position_ = 0;
};

// Narrow text widened byte by byte, as the launcher widens configured texts.
inline std::wstring widened(const std::string &text) {
    std::wstring wide;
    for (unsigned char c : text)
        wide.push_back(c);
    return wide;
}

#endif
