// The texts the friendly project keys turn into: how the launcher will split,
// widen and compare them decides how they must be written. No TOML here.
#ifndef PELLUX_WRITER_RECORD_TEXTS_H
#define PELLUX_WRITER_RECORD_TEXTS_H

#include <string>
#include <vector>

// The launcher widens record bytes one by one, so a record carries Latin-1.
// False when the UTF-8 text is malformed or holds a character beyond U+00FF.
bool latin1FromUtf8(const std::string &utf8, std::string *latin1);

// "/" becomes "\": project files are written on Linux, the paths are read on Windows.
std::string windowsPath(std::string path);

// One token written so that the launcher's command-line splitting gives it
// back unchanged: quoted when it holds a blank, a tab or a quote, inner
// quotes doubled.
std::string quoteToken(const std::string &token);
std::string joinTokens(const std::vector<std::string> &tokens);

// A Java version bound as the launcher reads it: digits separated by single
// ".", "_", "-" or "+". Empty means no bound.
bool isVersionBoundText(const std::string &text);

// True when no version can meet both bounds: at the first component where
// they differ within their common length, the minimum is the greater.
bool isMinimumAboveMaximum(const std::string &minimum, const std::string &maximum);

// Windows refuses these in file names (besides control characters).
bool hasFileNameCharacter(const std::string &text);

#endif
