// The option list as the VM receives it, and the pieces every variant of its
// assembly ends with.
#ifndef PELLUX_JVM_VM_OPTION_LIST_H
#define PELLUX_JVM_VM_OPTION_LIST_H

#include <string>
#include <vector>

#include "common/jni_min.h"

// Narrow option strings in the file functions' code page, in the order the VM
// receives them.
typedef std::vector<std::string> VmOptionList;

// The pieces every variant of the assembly ends with.
bool hasOption(const VmOptionList &options, const char *option);
// "-Xrs" for a service (unless configured already), "-Dzanthor.noRedir=true" for "/run".
void appendModeOptions(VmOptionList &options, bool service, bool noRedirect);
void removeEmptyOptions(VmOptionList &options);
// Points initArgs at the options through array; logs the list as handed over.
void fillInitArgs(VmOptionList &options, std::vector<JavaVMOption> &array, JavaVMInitArgs &initArgs);

#endif
