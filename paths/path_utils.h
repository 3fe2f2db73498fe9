// The executable's own paths in wide and narrow form, lossless narrow
// conversion, existence tests and resolution against the executable's
// directory. Narrow strings use the code page of the file functions.
#ifndef PELLUX_PATHS_PATH_UTILS_H
#define PELLUX_PATHS_PATH_UTILS_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "paths/path_rules.h"

// Which wide form of the executable's directory to resolve against: the narrow
// path widened byte by byte (possibly an 8.3 form), or the long path.
enum class DirectoryForm { NarrowDerived, Long };

// Narrow form of a wide text; lossy is set when a character became "?" or the
// conversion failed (then the result is empty).
std::string toNarrowPath(const wchar_t *path, bool *lossy = nullptr);
std::wstring toWidePath(const char *path);

// A drive root counts without a disk access; anything else must be found by a
// directory search (wildcards match as they do there).
// Creates the missing folders of path (ending in a separator or not) with a
// DACL for this account and the administrators only; false when one could
// not be made.
bool createFoldersPrivately(const std::wstring &path);
bool pathExists(const char *path);
bool pathExists(const wchar_t *path);
bool findFileTime(const char *path, uint64_t *lastWriteTime);
bool findFileTime(const wchar_t *path, uint64_t *lastWriteTime);

// The narrow variants go through the wide form and write back only when the
// result converts losslessly.
void collapseBackslashesA(char *path, size_t capacity);
void lowercasePathA(char *path, size_t capacity);

const wchar_t *getExecutablePath();
const char *getExecutablePathA();

// The 8.3 form as printed by the command interpreter, or empty.
std::string shortPathViaCommandShell(const wchar_t *path);
// Runs the command with its output on a pipe: the first line of that output
// when the command ended with code 0 and wrote more than five bytes, else
// empty. A command still running after closing its output is terminated.
std::string runShortPathCommand(std::wstring commandLine);

// Relative paths are taken relative to the directory of baseFile when given,
// else to the executable's directory; the result has runs of backslashes
// collapsed. A result longer than the capacity is cut and logged.
void resolveAgainstExecutable(wchar_t *out, size_t capacity, const wchar_t *path, DirectoryForm form,
                              const wchar_t *baseFile = nullptr);
void resolveAgainstExecutable(char *out, size_t capacity, const char *path, const char *baseFile = nullptr);

// resolveAgainstExecutable, then the system's full path ("." and ".."
// resolved), lower case unless keepCase, backslashes collapsed.
void getFullPath(wchar_t *out, size_t capacity, const wchar_t *path, DirectoryForm form, bool keepCase);
void getFullPath(char *out, size_t capacity, const char *path, bool keepCase);

#endif
