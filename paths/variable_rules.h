// The substitution rules of launcher and environment variables, apart from
// where their values come from: the fixed list of launcher variables in its
// order, then every variable of an environment block in block order.
#ifndef PELLUX_PATHS_VARIABLE_RULES_H
#define PELLUX_PATHS_VARIABLE_RULES_H

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// A text never grows past this many characters while it is expanded (far more
// than any configured text needs); an environment whose values refer to each
// other could otherwise double it at every step.
const size_t kExpansionLimit = 32768;

// A value for wide text; narrow marks a narrow text widened byte by byte,
// which the log shows as narrow.
struct WideValue {
    std::wstring text;
    bool narrow = false;
};

struct WideExpansionValues {
    WideValue executableDirectory;
    WideValue launcherTempDirectory;
    WideValue runtimeHome;
    WideValue tempRoot;
};

struct NarrowExpansionValues {
    std::string executableDirectory;
    std::string launcherTempDirectory;
    std::string runtimeHome;
    std::string tempRoot;
};

// NAME=VALUE entries of an environment block (NUL-separated, ending with an
// empty entry) in block order. The name ends at the first "=" after its first
// character, so the hidden "=C:=C:\dir" entries keep their names.
std::vector<std::pair<std::wstring, std::wstring>> environmentEntries(const wchar_t *block);
std::vector<std::pair<std::string, std::string>> environmentEntries(const char *block);

// All 22 steps on the text; the block may be null (no environment step).
void expandWideText(std::wstring &text, const WideExpansionValues &values, const wchar_t *environmentBlock);
// growable selects the shorter log line of the growable string variant.
void expandNarrowText(std::string &text, const NarrowExpansionValues &values, const char *environmentBlock,
                      bool growable);

// Copies the expanded text back into the caller's buffer; a text that does
// not fit is cut at the capacity and the cut is logged. False when cut.
bool storeExpandedText(wchar_t *buffer, size_t capacity, const std::wstring &expanded);
bool storeExpandedText(char *buffer, size_t capacity, const std::string &expanded);

#endif
