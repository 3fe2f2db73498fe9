// "@" options name argument files; the runtime's own jli.dll expands them the
// way its java launcher would.
#ifndef PELLUX_JVM_EXPAND_ARGUMENT_FILES_H
#define PELLUX_JVM_EXPAND_ARGUMENT_FILES_H

#include "jvm/jli_min.h"
#include "jvm/vm_option_list.h"

struct JliFunctions {
    JliInitArgProcessingFunction initArgProcessing;
    JliPreprocessArgFunction preprocessArg;
    JliMemFreeFunction memFree;
};

// Each option as jli.dll preprocesses it: the elements of the list it returns
// (which is released again), or the option itself when it returns none.
VmOptionList preprocessArgumentFiles(const VmOptionList &options, const JliFunctions &jli);

// Loads jli.dll from the runtime's bin directory and replaces the options by
// their expansion; without the library or its functions they stay as they are.
void expandArgumentFiles(VmOptionList &options, const char *jvmBinDirectory);

#endif
