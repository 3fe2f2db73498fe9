// Messages for the user and the one way a failing launcher ends: the configured
// text (message id, one "{0}"), the log path appended, a message box or the
// console, the registered clean-ups run, ExitProcess with the code.
#ifndef PELLUX_DIAGNOSTICS_FATAL_H
#define PELLUX_DIAGNOSTICS_FATAL_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/capacities.h"

// A clean-up fatalExit runs, with what it cleans up.
struct FatalCleanUp {
    void (*run)(void *subject) = nullptr;
    void *subject = nullptr;
};

// How failures reach the user. The layers above fill it in: the configuration
// decides the message box and supplies the texts, a run's temporary directory
// registers its removal. Process-wide because a failure deep in any layer ends
// the process through it, with no context of its own to reach these.
struct FailureDisplay {
    // Fatal errors show a message box while set: during loading, and after it
    // for launcher types 1 and 5.
    bool messageBox = true;
    // The text of a message id, read from textSource; none (before the
    // configuration): empty texts.
    void (*messageText)(const void *textSource, int32_t id, wchar_t *buffer, size_t capacity) = nullptr;
    const void *textSource = nullptr;
    // Told every text shown, as shown: a service's worker, whose console no
    // one sees, copies it to the event log. Null: no one.
    void (*textShown)(void *subject, const wchar_t *text) = nullptr;
    void *textShownSubject = nullptr;
    // Run by fatalExit, in the order registered.
    static const int kCleanUpCapacity = 4;
    FatalCleanUp cleanUps[kCleanUpCapacity] = {};
};
FailureDisplay &failureDisplay();

// Registers run(subject) with fatalExit for as long as it lives; the subject
// must outlive it.
class FatalCleanUpScope {
public:
    FatalCleanUpScope(void (*run)(void *subject), void *subject);
    ~FatalCleanUpScope();
    FatalCleanUpScope(const FatalCleanUpScope &) = delete;
    FatalCleanUpScope &operator=(const FatalCleanUpScope &) = delete;

private:
    FatalCleanUp cleanUp_;
};

// The text with its first "{0}" replaced by the argument (none: unchanged),
// cut to kTextCapacity - 1 characters.
std::wstring substituteArgument(const std::wstring &text, const wchar_t *argument);
// The text as shown: with "\n\nLog: " and the log path when there is a log,
// cut to kTextCapacity - 1 characters; the message is cut before the path.
std::wstring composeShownText(const std::wstring &text, const wchar_t *logPath);

// The configured text of the message with its "{0}" replaced, as showMessage shows it.
std::wstring messageText(int32_t id, const wchar_t *argument);
void showText(const wchar_t *text);
// The message's text with its "{0}" replaced by the argument (wide or narrow).
void showMessage(int32_t id);
void showMessage(int32_t id, const wchar_t *argument);
void showMessage(int32_t id, const char *argument);

[[noreturn]] void fatalExit(unsigned int exitCode);
// As fatalExit, but without the libraries' detach: a thread of this process
// that is stuck inside one (a window call that waits on a busy desktop) would
// hold ExitProcess for as long.
[[noreturn]] void fatalExitAbruptly(unsigned int exitCode);
[[noreturn]] void fatalText(const wchar_t *text);
[[noreturn]] void fatalMessage(int32_t id);
[[noreturn]] void fatalMessage(int32_t id, const char *argument);
[[noreturn]] void fatalMessage(int32_t id, const wchar_t *argument);

#endif
