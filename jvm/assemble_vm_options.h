// The ordered option list the VM is created with, and the JNI initialisation
// arguments that point into it.
#ifndef PELLUX_JVM_ASSEMBLE_VM_OPTIONS_H
#define PELLUX_JVM_ASSEMBLE_VM_OPTIONS_H

#include <string>
#include <vector>

#include "common/string_list.h"
#include "config/settings.h"
#include "jvm/jni_min.h"

// Narrow option strings in the file functions' code page, in the order the VM
// receives them.
typedef std::vector<std::string> VmOptionList;

// Process-wide: the VM keeps pointers into it, so it lives until the process
// ends and is not changed once the initialisation arguments are filled.
extern VmOptionList vmOptionList;

// Fills vmOptionList from the launcher properties, the configured options and
// the launcher's arguments, then initArgs (JNI 1.2, unrecognised options
// ignored, no empty option) pointing into it.
void assembleVmOptions(const Settings &settings, const std::vector<std::string> &launcherProperties,
                       const StringList &arguments, JavaVMInitArgs &initArgs);

// The pieces every variant of the assembly ends with.
bool hasOption(const VmOptionList &options, const char *option);
// "-Xrs" for a service (unless configured already), "-Dzanthor.noRedir=true" for "/run".
void appendModeOptions(VmOptionList &options, bool service, bool noRedirect);
void removeEmptyOptions(VmOptionList &options);
// Points initArgs at the options through array; logs the list as handed over.
void fillInitArgs(VmOptionList &options, std::vector<JavaVMOption> &array, JavaVMInitArgs &initArgs);

#endif
