// Loading the chosen runtime's jvm.dll into this process: the runtime search
// hands each accepted java executable to loadJvmFromJavaExe; LoadDLL runs the
// search, binds JNI_CreateJavaVM and says what went wrong when nothing loads.
#ifndef PELLUX_JVM_LOAD_DLL_H
#define PELLUX_JVM_LOAD_DLL_H

#include <windows.h>

#include <string>

#include "common/jni_min.h"
#include "config/settings.h"
#include "jre/search_jvm.h"

// What LoadDLL found, handed on to launchJvm.
struct LoadedJvm {
    CreateJavaVMFunction createJavaVM = nullptr;
    // The runtime found; after a failure, the last candidate that passed.
    RuntimeSearchResult search = {};
};

// True when a jvm.dll is loaded and its entry point bound into loaded, its
// runtime noted in places. On false the message fitting the runtime's
// location has been shown when showErrors. The watch hears the search.
bool LoadDLL(const Settings &settings, RunPlaces &places, RuntimeSearchWatch &watch, bool showErrors,
             LoadedJvm &loaded);
// The text LoadDLL shows when nothing loads.
std::wstring loadFailureText(const RuntimeSearchResult &result);

// The module of the jvm.dll beside the java executable (or in the nested
// jre\bin of a development kit), or null. On success PATH starts with its bin
// directory; a failed candidate leaves PATH as it was.
HMODULE loadJvmFromJavaExe(const Settings &settings, RuntimeLocation &runtime, const char *javaExecutable);
HMODULE loadJvmFromBinDir(const Settings &settings, RuntimeLocation &runtime, const char *binDirectory);
HMODULE tryJvmDll(const char *binDirectory, const char *subdirectory, RuntimeLocation &runtime);
void preloadUcrtbase(const char *binDirectory);

// Opaque AddDllDirectory cookie; null when nothing was added (record 154 off,
// or a system without the call).
typedef void *DllDirectoryCookie;
DllDirectoryCookie addDllSearchDirectory(const Settings &settings, const char *directory);
void removeDllSearchDirectory(DllDirectoryCookie cookie);

bool resolveCreateJavaVM(HMODULE module, LoadedJvm &loaded);

// An export of a loaded module as a typed function pointer, or null.
template <typename Function>
Function exportedFunction(HMODULE module, const char *name) {
    return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

#endif
