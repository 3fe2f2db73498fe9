// What every process does first, whatever its role: read the configuration and
// shape the environment before anything else looks at it.
#ifndef PELLUX_RUNTIME_STARTUP_H
#define PELLUX_RUNTIME_STARTUP_H

#include <string>

#include "config/settings.h"

// Loads the configuration into settings, which must outlive every later
// failure (fatal errors show its messages).
void launcherStartup(Settings &settings);

// Keeps only the PATH entries under the Windows directory (record 10010);
// wholeFolders as for keepEntriesUnder.
void reducePath(bool wholeFolders);
// Removes the Java options variables from both environments (record 10012).
void clearJavaOptionsVariables();

// The entries of path (";"-separated, empty ones dropped) whose first
// characters equal the Windows directory ignoring ASCII case, joined with ";".
// With wholeFolders the match must end at a backslash or the entry's end.
std::wstring keepEntriesUnder(const std::wstring &path, const std::wstring &windowsDirectory, bool wholeFolders);

#endif
