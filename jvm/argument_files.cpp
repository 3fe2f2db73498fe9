#include "jvm/expand_argument_files.h"

VmOptionList preprocessArgumentFiles(const VmOptionList &options, const JliFunctions &jli) {
    jli.initArgProcessing(options.empty() ? JNI_FALSE : JNI_TRUE, JNI_FALSE);
    VmOptionList expanded;
    for (const std::string &option : options) {
        JLI_List *list = jli.preprocessArg(option.c_str(), JNI_TRUE);
        if (list == nullptr) {
            expanded.push_back(option);
            continue;
        }
        for (size_t i = 0; i < list->size; i++)
            if (list->elements[i] != nullptr)
                expanded.push_back(list->elements[i]);
        // Both belong to jli.dll's heap, which may not be ours.
        jli.memFree(list->elements);
        jli.memFree(list);
    }
    return expanded;
}
