// Stand-in jvm.dll: JNI_CreateJavaVM and the invocation interface. Creation
// records what the launcher hands over (version, options, the creating
// thread's stack) and picks the case to act out from the config file beside
// the DLL, overridden by "-Dstandin.<key>=<value>" options.
#include <windows.h>

#include <cstring>

#include "standins/jvm_standin.h"
#include "standins/standin_files.h"
#include "standins/standin_protocol.h"

extern "C" JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM **pvm, void **penv, void *args);

StandinVm standinVm;

namespace {

const jint JNI_EDETACHED = -2;
const jint JNI_EEXIST = -5;
const jint JNI_EINVAL = -6;

JNINativeInterface_ functionTable;
JNIInvokeInterface_ invokeInterface;

const void *thisModule() { return reinterpret_cast<const void *>(&JNI_CreateJavaVM); }

// The reservation of the calling thread's stack: from the allocation that
// holds a local variable up to the stack base of the thread block.
unsigned long long reservedStackOfThisThread() {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(&info, &info, sizeof info) == 0) return 0;
    const NT_TIB *tib = reinterpret_cast<const NT_TIB *>(NtCurrentTeb());
    return static_cast<unsigned long long>(static_cast<const char *>(tib->StackBase) -
                                           static_cast<const char *>(info.AllocationBase));
}

std::map<std::string, std::string> configuredSettings() {
    return readSettingsFile(pathBesideModule(thisModule(), STANDIN_JVM_CONFIG_FILE));
}

// A run starts when the DLL is loaded and again with every creation after
// the first, so a process that loads the DLL and creates one VM is one run.
void startRun() {
    standinVm = StandinVm();
    standinVm.recordPath = pathBesideModule(thisModule(), STANDIN_JVM_RECORD_FILE);
    appendRunStart(standinVm.recordPath, thisModule());
}

void prepareCreation() {
    if (standinVm.creationAttempted) startRun();
    standinVm.creationAttempted = true;
    standinVm.settings = configuredSettings();
    standinVm.creatingThread = GetCurrentThreadId();
    standinVm.jniThreads.insert(standinVm.creatingThread);
}

std::string hexText(unsigned long value) {
    char text[16];
    snprintf(text, sizeof text, "0x%08lX", value);
    return text;
}

void recordInitArgs(const JavaVMInitArgs &initArgs) {
    recordEvent(EVENT_VERSION, {hexText(static_cast<unsigned long>(initArgs.version))});
    recordEvent(EVENT_IGNORE_UNRECOGNIZED, {std::string(initArgs.ignoreUnrecognized ? "1" : "0")});
    size_t prefixLength = strlen(STANDIN_OPTION_PREFIX);
    for (jint i = 0; i < initArgs.nOptions; ++i) {
        const char *option = initArgs.options[i].optionString;
        if (option == nullptr) {
            recordEvent(EVENT_OPTION, {std::nullopt});
            continue;
        }
        recordEvent(EVENT_OPTION, {std::string(option)});
        if (strncmp(option, STANDIN_OPTION_PREFIX, prefixLength) != 0) continue;
        const char *setting = option + prefixLength;
        const char *equals = strchr(setting, '=');
        if (equals == nullptr || equals == setting) continue;
        standinVm.settings[std::string(setting, equals)] = equals + 1;
    }
    for (const auto &setting : standinVm.settings) {
        recordEvent(EVENT_SETTING, {setting.first, setting.second});
    }
}

jint finishCreation(jint result) {
    recordEvent(EVENT_CREATE, {std::to_string(result)});
    return result;
}

void checkVm(JavaVM *vm, const char *function) {
    if (vm != &standinJavaVm) stopOnUnexpected(std::string(function) + " with a foreign JavaVM");
}

jint JNICALL destroyJavaVm(JavaVM *vm) {
    checkVm(vm, "DestroyJavaVM");
    bool sameThread = GetCurrentThreadId() == standinVm.creatingThread;
    recordEvent(EVENT_DESTROY, {std::string(sameThread ? "1" : "0")});
    if (!standinVm.created || standinVm.destroyed) stopOnUnexpected("DestroyJavaVM twice");
    standinVm.destroyed = true;
    return JNI_OK;
}

jint attachThread(JavaVM *vm, void **penv, const char *function) {
    checkVm(vm, function);
    recordEvent(EVENT_INVOKE, {std::string(function)});
    if (penv == nullptr) return JNI_EINVAL;
    standinVm.jniThreads.insert(GetCurrentThreadId());
    *penv = &standinEnv;
    return JNI_OK;
}

jint JNICALL attachCurrentThread(JavaVM *vm, void **penv, void *) {
    return attachThread(vm, penv, "AttachCurrentThread");
}

jint JNICALL attachCurrentThreadAsDaemon(JavaVM *vm, void **penv, void *) {
    return attachThread(vm, penv, "AttachCurrentThreadAsDaemon");
}

jint JNICALL detachCurrentThread(JavaVM *vm) {
    checkVm(vm, "DetachCurrentThread");
    recordEvent(EVENT_INVOKE, {std::string("DetachCurrentThread")});
    standinVm.jniThreads.erase(GetCurrentThreadId());
    return JNI_OK;
}

jint JNICALL getEnv(JavaVM *vm, void **penv, jint version) {
    checkVm(vm, "GetEnv");
    recordEvent(EVENT_INVOKE,
                {std::string("GetEnv"), hexText(static_cast<unsigned long>(version))});
    if (penv == nullptr) return JNI_EINVAL;
    bool attached = standinVm.jniThreads.count(GetCurrentThreadId()) != 0;
    *penv = attached ? &standinEnv : nullptr;
    return attached ? JNI_OK : JNI_EDETACHED;
}

template <size_t Slot>
jint JNICALL unexpectedVmSlot(JavaVM *) {
    stopOnUnexpected("unexpected JavaVM slot " + std::to_string(Slot));
}

void buildInvokeInterface(JNIInvokeInterface_ &table) {
    table.reserved[0] = reinterpret_cast<void *>(&unexpectedVmSlot<0>);
    table.reserved[1] = reinterpret_cast<void *>(&unexpectedVmSlot<1>);
    table.reserved[2] = reinterpret_cast<void *>(&unexpectedVmSlot<2>);
    table.DestroyJavaVM = &destroyJavaVm;
    table.AttachCurrentThread = &attachCurrentThread;
    table.DetachCurrentThread = &detachCurrentThread;
    table.GetEnv = &getEnv;
    table.AttachCurrentThreadAsDaemon = &attachCurrentThreadAsDaemon;
}

}  // namespace

JNIEnv standinEnv = &functionTable;
JavaVM standinJavaVm = &invokeInterface;

void recordEvent(const char *event, const RecordFields &fields) {
    bool always = strcmp(event, EVENT_RUN) == 0 || strcmp(event, EVENT_LOADED) == 0 ||
                  strcmp(event, EVENT_TRAP) == 0;
    if (!always && settingText(standinVm.settings, JVM_KEY_RECORD, "1") == "0") return;
    if (standinVm.recordPath.empty()) {
        standinVm.recordPath = pathBesideModule(thisModule(), STANDIN_JVM_RECORD_FILE);
    }
    appendRecord(standinVm.recordPath, event, fields);
}

void stopOnUnexpected(const std::string &why) {
    recordEvent(EVENT_TRAP, {why});
    std::string message = "standin jvm.dll: " + why + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), message.data(), static_cast<DWORD>(message.size()),
              &written, nullptr);
    TerminateProcess(GetCurrentProcess(), STANDIN_TRAP_EXIT_CODE);
    ExitProcess(STANDIN_TRAP_EXIT_CODE);
}

void checkJniCall(JNIEnv *env, const char *function) {
    if (env != &standinEnv) stopOnUnexpected(std::string(function) + " with a foreign JNIEnv");
    if (!standinVm.created) stopOnUnexpected(std::string(function) + " before the VM exists");
    if (standinVm.destroyed) stopOnUnexpected(std::string(function) + " after DestroyJavaVM");
    if (standinVm.jniThreads.count(GetCurrentThreadId()) == 0) {
        stopOnUnexpected(std::string(function) + " on a thread not attached to the VM");
    }
}

bool settingEnabled(const char *key) { return settingNumber(standinVm.settings, key, 0) != 0; }

bool isListedSetting(const char *key, const std::string &name) {
    for (const std::string &entry : splitText(settingText(standinVm.settings, key, ""), ',')) {
        if (entry == name) return true;
    }
    return false;
}

extern "C" JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM **pvm, void **penv, void *args) {
    if (standinVm.created && !standinVm.destroyed) {
        recordEvent(EVENT_CREATE, {std::to_string(JNI_EEXIST)});
        return JNI_EEXIST;
    }
    prepareCreation();
    if (pvm == nullptr || penv == nullptr || args == nullptr) return finishCreation(JNI_EINVAL);
    const JavaVMInitArgs &initArgs = *static_cast<const JavaVMInitArgs *>(args);
    if (initArgs.nOptions < 0 || (initArgs.nOptions > 0 && initArgs.options == nullptr)) {
        return finishCreation(JNI_EINVAL);
    }
    recordInitArgs(initArgs);
    recordEvent(EVENT_STACK, {std::to_string(reservedStackOfThisThread())});
    jint result = static_cast<jint>(settingNumber(standinVm.settings, JVM_KEY_CREATE_RESULT, 0));
    if (result != JNI_OK) return finishCreation(result);
    buildFunctionTable(functionTable);
    buildInvokeInterface(invokeInterface);
    standinVm.created = true;
    *pvm = &standinJavaVm;
    *penv = &standinEnv;
    return finishCreation(JNI_OK);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    startRun();
    bool refuse = settingNumber(configuredSettings(), JVM_KEY_FAIL_LOAD, 0) != 0;
    recordEvent(EVENT_LOADED, {std::string(refuse ? "0" : "1")});
    return refuse ? FALSE : TRUE;
}
