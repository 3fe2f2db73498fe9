// Tests and edits on path strings that need no file system. Narrow and wide
// forms behave alike.
#ifndef PELLUX_PATHS_PATH_RULES_H
#define PELLUX_PATHS_PATH_RULES_H

#include <cstddef>
#include <string>

// Absolute: a drive and a backslash ("C:\x"), or two leading backslashes. A
// leading double quote is skipped.
bool isRelativePath(const char *path);
bool isRelativePath(const wchar_t *path);

// "X:\", "X:\." or "X:\.\.": a drive root, which counts as existing without
// asking the disk.
bool isDriveRoot(const char *path);
bool isDriveRoot(const wchar_t *path);

// Keeps the first two characters (a UNC prefix survives), then drops every
// backslash that follows a kept backslash.
void collapseBackslashes(wchar_t *path);
// Maps A to Z to a to z; every other character stays.
void lowercasePath(wchar_t *path);
bool hasExeExtension(const char *path);
// Contains "!\" or ends with "!". Null: false.
bool hasBangSeparator(const char *path);
bool hasBangSeparator(const wchar_t *path);

// The path with "\\" appended unless it already ends with "\\" or "/".
std::string withTrailingSeparator(const std::string &path);
std::wstring withTrailingSeparator(const std::wstring &path);

// The exit code of a process that is still running.
const unsigned long kStillActive = 259;
// What the command interpreter's output yields as a short path: its first line
// when the command ended with code 0 and wrote more than five bytes; nothing
// while it still runs, after a failure or without a line end.
std::string shortPathFromCommandOutput(const std::string &output, unsigned long exitCode);

// Length of the directory part including its last backslash (0 without one).
size_t directoryPartLength(const wchar_t *path);
size_t directoryPartLength(const char *path);

#endif
