// Messages for the user and the one way a failing launcher ends: the configured
// text (message id, one "{0}"), the log path appended, a message box or the
// console, the registered clean-ups run, ExitProcess with the code.
#ifndef PELLUX_DIAGNOSTICS_FATAL_H
#define PELLUX_DIAGNOSTICS_FATAL_H

#include <cstddef>
#include <cstdint>
#include <string>

// Capacity of a composed message, terminator included.
const size_t kMessageCapacity = 6000;

// How failures reach the user. The layers above fill it in: the configuration
// decides the message box and supplies the texts, the temporary directory
// registers its removal.
struct FailureDisplay {
    // Fatal errors show a message box while set: during loading, and after it
    // for launcher types 1 and 5.
    bool messageBox = true;
    // The text of a message id, read from textSource; none (before the
    // configuration): empty texts.
    void (*messageText)(const void *textSource, int32_t id, wchar_t *buffer, size_t capacity) = nullptr;
    const void *textSource = nullptr;
    // Run by fatalExit, in the order registered.
    static const int kCleanUpCapacity = 4;
    void (*cleanUps[kCleanUpCapacity])() = {};
};
FailureDisplay &failureDisplay();
// Adds a clean-up for fatalExit; one already registered is not added again.
void registerFatalCleanUp(void (*cleanUp)());

// The text with its first "{0}" replaced by the argument (none: unchanged),
// cut to kMessageCapacity - 1 characters.
std::wstring substituteArgument(const std::wstring &text, const wchar_t *argument);
// The text as shown: with "\n\nLog: " and the log path when there is a log,
// cut to kMessageCapacity - 1 characters; the message is cut before the path.
std::wstring composeShownText(const std::wstring &text, const wchar_t *logPath);

// The configured text of the message with its "{0}" replaced, as showMessage shows it.
std::wstring messageText(int32_t id, const wchar_t *argument);
void showText(const wchar_t *text);
// The message's text with its "{0}" replaced by the argument (wide or narrow).
void showMessage(int32_t id);
void showMessage(int32_t id, const wchar_t *argument);
void showMessage(int32_t id, const char *argument);

[[noreturn]] void fatalExit(unsigned int exitCode);
[[noreturn]] void fatalText(const wchar_t *text);
[[noreturn]] void fatalMessage(int32_t id);
[[noreturn]] void fatalMessage(int32_t id, const char *argument);
[[noreturn]] void fatalMessage(int32_t id, const wchar_t *argument);

#endif
