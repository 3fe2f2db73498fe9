// The launcher's whole JNI dialogue, on the JVM thread: create the VM, prepare
// the Java side (splash texts, helper library, module name), call main of the
// Java entry class and destroy the VM when main has returned.
#ifndef PELLUX_JVM_JAVAVMLAUNCHER_H
#define PELLUX_JVM_JAVAVMLAUNCHER_H

#include <windows.h>

#include <cstdint>
#include <string>

#include "common/jni_min.h"
#include "common/settings_schema.h"
#include "common/string_list.h"
#include "config/settings.h"
#include "paths/expand_variables.h"

struct LaunchContext;

// Made by launchJvm, handed to the JVM thread; lives as long as the VM.
struct JvmLaunchRequest {
    const Settings *settings = nullptr;
    const LaunchContext *context = nullptr;
    CreateJavaVMFunction createJavaVM = nullptr;
    StringList arguments;
    JavaVMInitArgs initArgs;
};

// Exit code 1 when main ran to its end and the VM was destroyed, else 0.
DWORD WINAPI jvmThreadMain(LPVOID request);
bool createJvmAndRunMain(JvmLaunchRequest &request);

// True when main returned without a pending exception. A missing entry class
// or main method ends the process (messages 1010, 1011).
bool invokeMain(const Settings &settings, JNIEnv *env, const LaunchContext &context, const StringList &arguments);
// True when no exception was pending; otherwise logs it, prints its stack
// trace when describe, and clears it.
bool reportPendingException(JNIEnv *env, bool describe);
void loadHelperLibrary(const Settings &settings, JNIEnv *env, char flavour);
// Records 103 and 105 when their flag (102, 104) is set: expanded, and made
// absolute unless a "$" marks a value the Java side resolves itself; else empty.
// A folder equal to madeFolder (one already made for the other file) is not looked for again.
std::wstring redirectionFile(const Settings &settings, const RunPlaces &places, FlagSetting redirect,
                             TextSetting file, const std::wstring &madeFolder = std::wstring());
void setModuleNameProperty(JNIEnv *env);

#endif
