// The three functions of a runtime's "jli.dll" that expand "@" argument files,
// declared here because runtimes ship no header for them. The launcher binds
// them with GetProcAddress; the list layout is the one the runtime allocates.
#ifndef PELLUX_JVM_JLI_MIN_H
#define PELLUX_JVM_JLI_MIN_H

#include <cstddef>

#include "common/jni_min.h"

// Owned by jli.dll: the element array and the list itself are released with
// JLI_MemFree.
struct JLI_List {
    char **elements;
    size_t size;
    size_t capacity;
};
static_assert(sizeof(JLI_List) == 3 * sizeof(void *), "JLI_List layout");

// JLI_InitArgProcessing(hasJavaArgs, disableArgFile)
typedef void(JNICALL *JliInitArgProcessingFunction)(jboolean hasJavaArgs, jboolean disableArgFile);
// JLI_PreprocessArg(arg, expandSourceOpt): the expanded arguments, or NULL
// when arg is not an argument file.
typedef JLI_List *(JNICALL *JliPreprocessArgFunction)(const char *arg, jboolean expandSourceOpt);
// JLI_MemFree(pointer)
typedef void(JNICALL *JliMemFreeFunction)(void *pointer);

#endif
