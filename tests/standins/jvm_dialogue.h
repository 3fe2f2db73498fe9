// Drives a stand-in jvm.dll the way the launcher does, for the tests of the
// stand-in itself: load it, create the VM on a thread with a chosen stack,
// call the entry class's main with String parameters.
#ifndef PELLUX_TESTS_STANDINS_JVM_DIALOGUE_H
#define PELLUX_TESTS_STANDINS_JVM_DIALOGUE_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/jni_min.h"

const char PELLUX_ENTRY_CLASS[] = "com/pellux/runtime/WinLauncher";
const char MAIN_SIGNATURE[] = "([Ljava/lang/String;)V";

struct VmLibrary {
    HMODULE module = nullptr;
    CreateJavaVMFunction create = nullptr;
};

// Loads the DLL by its full path and binds JNI_CreateJavaVM.
bool loadVmLibrary(const std::wstring &jvmDll, VmLibrary &library);
void unloadVmLibrary(VmLibrary &library);

typedef std::function<void(JavaVM *vm, JNIEnv *env)> VmBody;

// Creates the VM on a new thread with the stack reservation (0: default) and
// runs body there when creation succeeded. Returns JNI_CreateJavaVM's result,
// or JNI_ERR when the thread did not end in time.
jint runOnVmThread(const VmLibrary &library, const std::vector<std::string> &options,
                   size_t stackReserve, const VmBody &body);

jstring newJavaString(JNIEnv *env, const std::u16string &text);
// toString() of the object as UTF-8, through GetStringUTFChars.
std::string javaToString(JNIEnv *env, jobject object);

// FindClass, GetStaticMethodID main, the String[] of parameters, the call;
// true when main returned without a pending exception.
bool callEntryMain(JNIEnv *env, const char *entryClass,
                   const std::vector<std::u16string> &parameters);

#endif
