#include "paths/expand_variables.h"

#include <windows.h>

#include "common/capacities.h"
#include "common/records.h"
#include "common/text.h"
#include "diagnostics/fatal.h"
#include "paths/path_utils.h"
#include "paths/variable_rules.h"

namespace {

// Expansion cannot go on without a temporary root.
template <typename Char>
void requireTempRoot(Char *root) {
    bool found;
    if constexpr (sizeof(Char) == 1)
        found = getTempRootA(root, kPathCapacity);
    else
        found = getTempRoot(root, kPathCapacity);
    if (!found)
        fatalMessage(message::kNoTempRoot);
}

WideValue narrowValue(const char *text) {
    WideValue value;
    value.text = widenBytes(std::string(text));
    value.narrow = true;
    return value;
}

WideValue wideValue(const wchar_t *text) {
    WideValue value;
    value.text = text;
    return value;
}

// The temporary root comes first: without one the launcher stops here,
// whether or not the text refers to it.
WideExpansionValues wideValues(const RunPlaces &places, ExpandMode mode) {
    WideExpansionValues values;
    wchar_t directory[kPathCapacity];
    if (mode == ExpandMode::Argument) {
        wchar_t root[kPathCapacity];
        requireTempRoot(root);
        values.tempRoot = wideValue(root);
        resolveAgainstExecutable(directory, kPathCapacity, L"", DirectoryForm::Long);
        values.executableDirectory = wideValue(directory);
    } else {
        char root[kPathCapacity];
        requireTempRoot(root);
        values.tempRoot = narrowValue(root);
        resolveAgainstExecutable(directory, kPathCapacity, L"", DirectoryForm::NarrowDerived);
        values.executableDirectory = wideValue(directory);
        values.executableDirectory.narrow = true;
    }
    values.launcherTempDirectory = narrowValue(places.tempDir.path.c_str());
    values.runtimeHome = narrowValue(places.runtime.home);
    return values;
}

NarrowExpansionValues narrowValues(const RunPlaces &places) {
    NarrowExpansionValues values;
    char root[kPathCapacity];
    requireTempRoot(root);
    values.tempRoot = root;
    char directory[kPathCapacity];
    resolveAgainstExecutable(directory, kPathCapacity, "");
    values.executableDirectory = directory;
    values.launcherTempDirectory = places.tempDir.path;
    values.runtimeHome = places.runtime.home;
    return values;
}

// The environment as it is now: variables the launcher set itself count.
// Narrow: the text is an option or class path on its way to the VM.
void expandNarrow(const RunPlaces &places, std::string &text, bool growable) {
    NarrowExpansionValues values = narrowValues(places);
    char *block = GetEnvironmentStringsA();
    expandNarrowText(text, values, block, growable);
    if (block)
        FreeEnvironmentStringsA(block);
}

}  // namespace

void expandVariables(const RunPlaces &places, wchar_t *text, size_t capacity, ExpandMode mode) {
    if (capacity == 0)
        return;
    WideExpansionValues values = wideValues(places, mode);
    std::wstring expanded = text;
    wchar_t *block = GetEnvironmentStringsW();
    expandWideText(expanded, values, block);
    if (block)
        FreeEnvironmentStringsW(block);
    storeExpandedText(text, capacity, expanded);
}

void expandVariablesA(const RunPlaces &places, char *text, size_t capacity) {
    if (capacity == 0)
        return;
    std::string expanded = text;
    expandNarrow(places, expanded, false);
    storeExpandedText(text, capacity, expanded);
}

void expandVariablesInString(const RunPlaces &places, std::string &text) { expandNarrow(places, text, true); }
