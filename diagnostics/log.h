// The diagnostic log: one file per process in the temporary root, written only
// when PELLUX_LOG or ZANTHOR_LOG is "yes". Formats follow common/format.h: in
// these wide formats "%s" takes a wide string and "%S" a narrow one.
#ifndef PELLUX_DIAGNOSTICS_LOG_H
#define PELLUX_DIAGNOSTICS_LOG_H

#include <cstddef>
#include <cstdint>
#include <string>

void logMessage(const wchar_t *format, ...);
void logError(const wchar_t *format, ...);
// The same format as a narrow ASCII text, widened before use ("%s" still takes
// a wide string): what the launcher's own lines use.
void logMessage(const char *format, ...);
void logError(const char *format, ...);

// Where the log file goes (the temporary root); asked when the first line is
// logged. Without a source, or with an empty answer, the log goes to "c:\".
void setLogDirectorySource(void (*source)(wchar_t *out, size_t capacity));

// The log file's path, or null when logging is off.
const wchar_t *getLogFilePath();

// The "[s:ms] " stamp for a time since the log was created. Negative times
// (the clock was set back) count as 0.
std::wstring formatLogStamp(int64_t elapsedMillis);

#endif
