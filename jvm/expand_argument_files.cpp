#include "jvm/expand_argument_files.h"

#include <windows.h>

#include "common/format.h"
#include "diagnostics/log.h"
#include "jvm/load_dll.h"
#include "jvm/vm_option_rules.h"

void expandArgumentFiles(VmOptionList &options, const char *jvmBinDirectory) {
    logMessage("@ argument found %d %S", static_cast<int>(options.size()), jvmBinDirectory);
    if (jvmBinDirectory[0] == '\0')
        return;
    std::string libraryName = formatString("%s\\jli.dll", jvmBinDirectory);
    // Narrow: the runtime's directory is a narrow path, as the VM takes it.
    HMODULE library = LoadLibraryA(libraryName.c_str());
    if (library == nullptr) {
        logMessage("did not find %S", libraryName.c_str());
        return;
    }
    JliFunctions jli;
    jli.initArgProcessing = exportedFunction<JliInitArgProcessingFunction>(library, "JLI_InitArgProcessing");
    jli.preprocessArg = exportedFunction<JliPreprocessArgFunction>(library, "JLI_PreprocessArg");
    jli.memFree = exportedFunction<JliMemFreeFunction>(library, "JLI_MemFree");
    if (jli.initArgProcessing == nullptr || jli.preprocessArg == nullptr || jli.memFree == nullptr) {
        logMessage("did not find all list functions %p %p %p", reinterpret_cast<void *>(jli.initArgProcessing),
                   reinterpret_cast<void *>(jli.preprocessArg), reinterpret_cast<void *>(jli.memFree));
        return;
    }
    options = preprocessArgumentFiles(options, jli);
    mergeModuleOptions(options);
}
