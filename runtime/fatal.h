// Messages for the user and the one way a failing launcher ends: the configured
// text (message id, one "{0}"), the log path appended, a message box or the
// console, the temporary directory removed, ExitProcess with the code.
#ifndef PELLUX_RUNTIME_FATAL_H
#define PELLUX_RUNTIME_FATAL_H

#include <cstddef>
#include <cstdint>
#include <string>

// Capacity of a composed message, terminator included.
const size_t kMessageCapacity = 6000;

// At most maxLength characters of the text, never half a surrogate pair.
std::wstring cutToLength(const std::wstring &text, size_t maxLength);
// The text with its first "{0}" replaced by the argument (none: unchanged),
// cut to kMessageCapacity - 1 characters.
std::wstring substituteArgument(const std::wstring &text, const wchar_t *argument);
// The text as shown: with "\n\nLog: " and the log path when there is a log,
// cut to kMessageCapacity - 1 characters; the message is cut before the path.
std::wstring composeShownText(const std::wstring &text, const wchar_t *logPath);

// The configured text of the message with its "{0}" replaced, as showMessage shows it.
std::wstring messageText(int32_t id, const wchar_t *argument);
void showText(const wchar_t *text);
void showMessage(int32_t id, const wchar_t *argument);
void showMessageA(int32_t id, const char *argument);

[[noreturn]] void fatalExit(unsigned int exitCode);
[[noreturn]] void fatalText(const wchar_t *text);
[[noreturn]] void fatalMessage(int32_t id, const char *argument);
[[noreturn]] void fatalMessageW(int32_t id, const wchar_t *argument);

#endif
