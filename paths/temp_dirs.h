// The temporary root (where the log and the launcher's own directory go) and
// the launcher temporary directory for extracted files.
#ifndef PELLUX_PATHS_TEMP_DIRS_H
#define PELLUX_PATHS_TEMP_DIRS_H

#include <cstddef>
#include <string>

#include "paths/temp_root_rules.h"

// The launcher temporary directory of one run. Narrow: it is made in the
// narrow root and reaches the VM's options in the file functions' code page.
struct LauncherTempDir {
    // Empty when none was created.
    std::string path;
    // The file that reserved the directory's name; empty when none was made.
    std::string reservedFile;
};
// The environment variable through which the service host hands its worker
// a directory it made for it.
extern const char kWorkerTempDirVariable[];

// The configuration asks for the long form of the temporary root; a root
// found before is searched again.
void requestLongTempPaths(bool requested);
// Runs the candidate search and keeps its result for the process.
void findTempRoot();
// The temporary root, narrow or wide; false (and empty) when no candidate is
// usable, which callers report as message 1015.
bool getTempRootA(char *out, size_t capacity);
bool getTempRoot(wchar_t *out, size_t capacity);

// A fresh name in the narrow temporary root; the system reserves it by
// creating an empty file (reserved: it did). False without a temporary root.
bool makeTempFileName(char *out, size_t capacity, bool &reserved);

enum class TempDirResult { Created, NoTempRoot, NotCreated };
// Creates the directory inside the temporary root, ten attempts at most.
TempDirResult createLauncherTempDir(LauncherTempDir &dir);
// Empties and removes the directory, if there is one, then the file that
// reserved its name.
void removeLauncherTempDir(LauncherTempDir &dir);
// Takes the directory the service host named in kWorkerTempDirVariable when
// it is a real directory right inside the temporary root; the variable is
// cleared either way. False: none, or not usable.
bool adoptWorkerTempDir(LauncherTempDir &dir);
// removeLauncherTempDir for a FatalCleanUpScope: dir is a LauncherTempDir.
void removeLauncherTempDirAtFatalExit(void *dir);

// Deletes the files of a directory and, depth levels down, its subdirectories.
void emptyDirectory(const char *path, int depth);

// The machine as the temporary-root search sees it.
TempSystem &windowsTempSystem();

#endif
