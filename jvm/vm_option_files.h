// VM options from the configuration (record 123 and the version-specific
// lines), from the ".vmoptions" file beside the executable and the files it
// includes, and from "-J" and locale arguments. Every entry adds one option to
// vmOptionList, sets a class path override or includes another file.
#ifndef PELLUX_JVM_VM_OPTION_FILES_H
#define PELLUX_JVM_VM_OPTION_FILES_H

#include <cstdio>

#include "common/string_list.h"
#include "config/settings.h"
#include "jvm/path_entries.h"

// Process-wide, filled while the options are assembled, read-only afterwards.
extern ClassPathOverrides classPathOverrides;

// "App.vmoptions" beside "App.exe", else "App.exe.vmoptions"; null when neither opens.
FILE *openDefaultVmOptionsFile();
// Reads the open file line by line and closes it; path is the file's own
// path (null for the default file), against which its includes resolve. A
// file that is already being read (an include cycle) is refused.
void readVmOptionsFile(const wchar_t *path, FILE *file);
// path: the file holding the entry, null when it comes from elsewhere.
void addVmOptionEntry(const wchar_t *path, const std::wstring &entry);
void addVmOptionTokens(const StringList &tokens);
// Record 123, the first matching version-specific line, the locale options.
void addConfiguredVmOptions(const Settings &settings, const StringList &arguments);

#endif
