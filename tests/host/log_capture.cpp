#include "tests/host/log_capture.h"

#include <algorithm>
#include <cstdarg>

#include "common/format.h"
#include "diagnostics/log.h"

std::vector<std::wstring> &capturedLog() {
    static std::vector<std::wstring> lines;
    return lines;
}

bool logContains(const std::wstring &line) {
    const auto &lines = capturedLog();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

void logMessage(const wchar_t *format, ...) {
    va_list args;
    va_start(args, format);
    capturedLog().push_back(formatStringV(format, args));
    va_end(args);
}

void logError(const wchar_t *format, ...) {
    va_list args;
    va_start(args, format);
    capturedLog().push_back(L"ERROR: " + formatStringV(format, args));
    va_end(args);
}

namespace {

std::wstring widenedFormat(const char *format) {
    std::wstring wide;
    for (const char *c = format; *c; c++)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return wide;
}

}  // namespace

void logMessage(const char *format, ...) {
    va_list args;
    va_start(args, format);
    capturedLog().push_back(formatStringV(widenedFormat(format).c_str(), args));
    va_end(args);
}

void logError(const char *format, ...) {
    va_list args;
    va_start(args, format);
    capturedLog().push_back(L"ERROR: " + formatStringV(widenedFormat(format).c_str(), args));
    va_end(args);
}

const wchar_t *getLogFilePath() { return nullptr; }
