// The Win32 side the stand-ins share: where a module lies, whole-file reads
// and writes, and appending one event to a record file.
#ifndef PELLUX_STANDINS_STANDIN_FILES_H
#define PELLUX_STANDINS_STANDIN_FILES_H

#include <map>
#include <string>

#include "standins/standin_format.h"

// The full path of the module (executable or DLL) that holds the address;
// null names the process's executable.
std::wstring modulePathOf(const void *addressInModule);
// That module's directory followed by "\" and the file name.
std::wstring pathBesideModule(const void *addressInModule, const char *fileName);

std::string wideToUtf8(const std::wstring &text);
std::wstring utf8ToWide(const std::string &text);

// False when the file cannot be opened or read; bytes then are empty.
bool readFileBytes(const std::wstring &path, std::string &bytes);
// Creates or truncates the file.
bool writeFileBytes(const std::wstring &path, const std::string &bytes);
// Absent or unreadable files give no settings.
std::map<std::string, std::string> readSettingsFile(const std::wstring &path);

// Appends one line "<this process id>\t<event>..." in a single write, so that
// processes sharing the file do not tear each other's lines. Failures are
// ignored: a stand-in must act out its part even when it cannot record it.
void appendRecord(const std::wstring &path, const std::string &event, const RecordFields &fields);

// The first line of every run: the module that records and the thread.
void appendRunStart(const std::wstring &path, const void *addressInModule);

// The variable's value in UTF-8, or nullopt when it is not set.
RecordField environmentValue(const char *name);

#endif
