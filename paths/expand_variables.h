// Launcher and environment variables in configured texts: "%PELLUX_EXEDIR%",
// "${launcher:sys.tempDir}", "${NAME}" for any environment variable, and the
// rest of the fixed list. Plain substitution: no escapes, no nesting.
#ifndef PELLUX_PATHS_EXPAND_VARIABLES_H
#define PELLUX_PATHS_EXPAND_VARIABLES_H

#include <cstddef>
#include <string>

// Argument mode inserts the long wide directory forms; option mode the narrow
// forms widened byte by byte.
enum class ExpandMode { Argument, Option };

// In place; a text that would outgrow the capacity is cut there and logged.
void expandVariables(wchar_t *text, size_t capacity, ExpandMode mode);
void expandVariablesA(char *text, size_t capacity);
void expandVariablesInString(std::string &text);

#endif
