// A JNI function table that takes the launcher's dialogue without a VM of its
// own: it records the options and System.setProperty calls, models the few
// objects the launcher makes (classes, strings, a String[]), and when the
// entry class's main is called hands everything to a Linux JVM. No Win32.
#ifndef PELLUX_BRIDGE_BRIDGE_VM_H
#define PELLUX_BRIDGE_BRIDGE_VM_H

#include <string>
#include <vector>

#include "bridge/java_command.h"
#include "common/jni_min.h"

// The helper library's class is not there: its natives are Windows code.
const char HELPER_CLASS_NAME[] = "com/zanthor/runtime/installer/platform/win32/Common";

struct BridgeVmHooks {
    // Runs the Linux JVM for the whole life of the application; returns its exit code.
    int (*runJava)(const JavaLaunch &launch);
    // Ends the process with the code; in the DLL it does not return.
    void (*exitProcess)(int code);
};

// Creates the one VM of the process from options already in UTF-8. Returns
// JNI_ERR while another is alive.
jint createBridgeVm(JavaVM **vm, JNIEnv **env, const std::vector<std::string> &options,
                    const BridgeVmHooks &hooks);

// The VM created by createBridgeVm while it is alive, else null.
JavaVM *currentBridgeVm();

// The slot number is reported on standard error, then the process aborts:
// the launcher called something this table does not model.
void reportUnusedSlot(int slot);

// UTF-16 as UTF-8; lone surrogates become U+FFFD.
std::string utf16ToUtf8(const jchar *text, size_t length);

#endif
