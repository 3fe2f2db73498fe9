// The ordered option list the VM is created with, and the JNI initialisation
// arguments that point into it.
#ifndef PELLUX_JVM_ASSEMBLE_VM_OPTIONS_H
#define PELLUX_JVM_ASSEMBLE_VM_OPTIONS_H

#include <string>
#include <vector>

#include "common/jni_min.h"
#include "common/string_list.h"
#include "config/settings.h"
#include "jvm/vm_option_list.h"

struct LaunchContext;

// Fills the context's options from the launcher properties, the configured
// options and the launcher's arguments, then initArgs (JNI 1.2, unrecognised
// options ignored, no empty option) pointing into them.
void assembleVmOptions(const Settings &settings, LaunchContext &context,
                       const std::vector<std::string> &launcherProperties, const StringList &arguments,
                       JavaVMInitArgs &initArgs);

#endif
