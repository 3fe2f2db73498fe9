// The temporary root (where the log and the launcher's own directory go) and
// the launcher temporary directory for extracted files.
#ifndef PELLUX_PATHS_TEMP_DIRS_H
#define PELLUX_PATHS_TEMP_DIRS_H

#include <cstddef>

#include "paths/temp_search.h"

// Path of the launcher temporary directory; empty when none was created.
extern char launcherTempDir[6000];

// Runs the candidate search and keeps its result for the process.
void findTempRoot();
// Narrow temporary root; no usable root at all ends the process (message 1015).
void getTempRootA(char *out, size_t capacity);
// Wide temporary root; without one, fatal when fatal is set, else empty.
void getTempRoot(wchar_t *out, size_t capacity, bool fatal);

// A fresh name in the narrow temporary root; the system reserves it by
// creating an empty file, which stays.
void makeTempFileName(char *out, size_t capacity);
// Creates launcherTempDir inside the temporary root (message 1009, code "7",
// after ten failed attempts).
void createLauncherTempDir();

// Deletes the files of a directory and, depth levels down, its subdirectories.
void emptyDirectory(const char *path, int depth);

// The machine as the temporary-root search sees it.
TempSystem &windowsTempSystem();

#endif
