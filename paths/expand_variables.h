// Launcher and environment variables in configured texts: "%PELLUX_EXEDIR%",
// "${launcher:sys.tempDir}", "${NAME}" for any environment variable, and the
// rest of the fixed list. Plain substitution: no escapes, no nesting.
#ifndef PELLUX_PATHS_EXPAND_VARIABLES_H
#define PELLUX_PATHS_EXPAND_VARIABLES_H

#include <cstddef>
#include <string>

#include "paths/runtime_location.h"
#include "paths/temp_dirs.h"

// Argument mode inserts the long wide directory forms; option mode the narrow
// forms widened byte by byte.
enum class ExpandMode { Argument, Option };

// The directories of the run a text may name; empty before they exist.
struct RunPlaces {
    LauncherTempDir tempDir;
    RuntimeLocation runtime;
};

// In place; a text that would outgrow the capacity is cut there and logged.
void expandVariables(const RunPlaces &places, wchar_t *text, size_t capacity, ExpandMode mode);
void expandVariablesA(const RunPlaces &places, char *text, size_t capacity);
void expandVariablesInString(const RunPlaces &places, std::string &text);

#endif
