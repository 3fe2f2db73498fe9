// What one run hands down to the JVM stage, and what the stage builds from
// it. The run sequence (or diagnose) owns it; the VM keeps pointers into the
// options, so it lives as long as the VM.
#ifndef PELLUX_JVM_LAUNCH_CONTEXT_H
#define PELLUX_JVM_LAUNCH_CONTEXT_H

#include <cstdint>
#include <vector>

#include "config/process_role.h"
#include "jvm/path_entries.h"
#include "jvm/vm_option_list.h"
#include "paths/expand_variables.h"

struct LaunchContext {
    ProcessRole role;
    // First character of record 2001: 'i' selects the zanthor names.
    char flavour = 0;
    RunPlaces places;
    // Where the Java side reads the rest of the executable; 0 when nothing was extracted.
    uint32_t unextractedOffset = 0;
    // This copy's semaphore name, passed to Java as pellux.semaphoreName.
    std::string semaphoreName;
    // Filled while the options are assembled, read-only afterwards.
    VmOptionList vmOptions;
    ClassPathOverrides classPathOverrides;
    std::vector<JavaVMOption> optionArray;
};

#endif
