// jvm.dll of the bridge home: the launcher loads it like a real VM; main runs
// in a Linux JVM instead.
#include <windows.h>

#include "bridge/bridge_home.h"
#include "bridge/bridge_vm.h"
#include "bridge/java_command.h"
#include "bridge/linux_run.h"
#include "bridge/unix_paths.h"
#include "bridge/win_text.h"

static int runJavaOnLinux(const JavaLaunch &launch) {
    BridgeConfig config = loadBridgeConfig();
    return runRelayedLinuxCommand(buildJavaCommand(linuxJavaPath(config), launch, toUnixPath));
}

// The Linux JVM's exit code becomes the worker's, as System.exit would make it.
static void exitWorker(int code) { ExitProcess(static_cast<UINT>(code)); }

extern "C" JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM **vm, void **env, void *args) {
    const JavaVMInitArgs *init = static_cast<const JavaVMInitArgs *>(args);
    if (init == nullptr || init->nOptions < 0 || (init->nOptions > 0 && init->options == nullptr))
        return JNI_ERR;
    std::vector<std::string> options;
    for (jint i = 0; i < init->nOptions; i++)
        if (init->options[i].optionString != nullptr)
            options.push_back(utf8FromFileCodePage(init->options[i].optionString));
    BridgeVmHooks hooks = {runJavaOnLinux, exitWorker};
    return createBridgeVm(vm, reinterpret_cast<JNIEnv **>(env), options, hooks);
}

extern "C" JNIEXPORT jint JNICALL JNI_GetDefaultJavaVMInitArgs(void *args) {
    JavaVMInitArgs *init = static_cast<JavaVMInitArgs *>(args);
    return init != nullptr && init->version >= JNI_VERSION_1_2 ? JNI_OK : JNI_ERR;
}

extern "C" JNIEXPORT jint JNICALL JNI_GetCreatedJavaVMs(JavaVM **vms, jsize capacity, jsize *count) {
    JavaVM *vm = currentBridgeVm();
    if (count != nullptr)
        *count = vm != nullptr ? 1 : 0;
    if (vm != nullptr && vms != nullptr && capacity > 0)
        vms[0] = vm;
    return JNI_OK;
}
