// The text rules of VM option entries, apart from files and the system: line
// trimming, entry forms, version conditions, the locale options and the module
// options joined with their values. No Win32 here: they also run natively.
#ifndef PELLUX_JVM_VM_OPTION_RULES_H
#define PELLUX_JVM_VM_OPTION_RULES_H

#include <cstddef>
#include <string>

#include "common/string_list.h"
#include "jvm/vm_option_list.h"

// An option file is read in pieces of at most this many bytes; a longer line
// becomes several entries.
const size_t kVmOptionLinePiece = 29999;

// Removes trailing CR and LF, then white space at both ends. False when the
// line is then empty or a "#" comment, i.e. holds no entry.
bool trimVmOptionLine(std::string &line);

enum class VmOptionEntryForm { IncludeOptions, ClassPath, ClassPathPrepend, ClassPathAppend, Option };

// The form of an entry by its case-sensitive prefix; rest receives the text
// after the prefix (the whole entry for a plain option).
VmOptionEntryForm classifyVmOptionEntry(const std::wstring &entry, std::wstring &rest);

// Tokens as entries: "-include-options" takes the token after it, joined with
// a blank; every other token is an entry by itself.
StringList joinVmOptionTokens(const StringList &tokens);

// The major version of a runtime version text: its first component, or the
// second when the first is 1 (1.8.0_201 gives 8); -1 without components.
int majorJavaVersion(const char *version);

// "?" matches one character, "*" any run including none, everything else
// itself, case-sensitive; the whole text must be consumed.
bool matchVersionPattern(const char *pattern, const char *text);

// Whether a version-specific line's condition holds: "*pattern" against the
// whole version text, or "min-max" against the major version. Logs as it
// decides.
bool versionConditionHolds(const char *condition, const char *version, int major);

// The entries the "-Dsun.locale.formatasdefault=" arguments call for: the
// last such argument itself, then, unless it says "=true", the user's
// language and country (null or empty when not detected). Nothing without
// such an argument.
StringList localeOptionEntries(const StringList &arguments, const char *language, const char *country);

// The options that name the main class's module and the launcher runtime's
// module to the VM; addOpens stays empty when the main class has no package.
struct ModuleOptions {
    std::string addOpens;
    std::string addModules;
};
ModuleOptions buildModuleOptions(bool moduleMainClass, const std::string &mainClass, const char *runtimeModule);

// "--add-opens" followed by its value becomes "--add-opens=value"; the same
// for the other module options that take their value as the next option.
void mergeModuleOptions(VmOptionList &options);

// True when an option names an argument file ("@...").
bool hasArgumentFileOption(const VmOptionList &options);

#endif
