// The floor of a launcher start: the least a program must do to run a Java
// main through JNI. It loads the given jvm.dll, creates the VM with one class
// path option, calls main of the given class with no arguments and destroys
// the VM, on a thread of its own as a launcher does.
//   bench_jni_floor JVM.DLL CLASS_PATH MAIN_CLASS
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/jni_min.h"

namespace {

struct FloorRun {
    const wchar_t *jvmDll;
    std::string classPathOption;
    std::string mainClass;
    int exitCode = 1;
};

int runMain(JNIEnv *env, const std::string &mainClass) {
    jclass main = (*env)->FindClass(env, mainClass.c_str());
    jclass string = (*env)->FindClass(env, "java/lang/String");
    if (main == nullptr || string == nullptr)
        return 1;
    jmethodID method = (*env)->GetStaticMethodID(env, main, "main", "([Ljava/lang/String;)V");
    jobjectArray arguments = (*env)->NewObjectArray(env, 0, string, nullptr);
    if (method == nullptr || arguments == nullptr)
        return 1;
    (*env)->CallStaticVoidMethod(env, main, method, arguments);
    return (*env)->ExceptionOccurred(env) == nullptr ? 0 : 1;
}

DWORD WINAPI runVm(void *parameter) {
    FloorRun &run = *static_cast<FloorRun *>(parameter);
    HMODULE jvm = LoadLibraryW(run.jvmDll);
    if (jvm == nullptr)
        return 1;
    auto create = reinterpret_cast<CreateJavaVMFunction>(
        reinterpret_cast<void *>(GetProcAddress(jvm, "JNI_CreateJavaVM")));
    if (create == nullptr)
        return 1;
    JavaVMOption option = {&run.classPathOption[0], nullptr};
    JavaVMInitArgs initArgs = {JNI_VERSION_1_2, 1, &option, JNI_FALSE};
    JavaVM *vm = nullptr;
    JNIEnv *env = nullptr;
    if (create(&vm, reinterpret_cast<void **>(&env), &initArgs) != JNI_OK)
        return 1;
    run.exitCode = runMain(env, run.mainClass);
    (*vm)->DestroyJavaVM(vm);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t **argv) {
    if (argc != 4) {
        fputs("usage: bench_jni_floor JVM.DLL CLASS_PATH MAIN_CLASS\n", stderr);
        return 2;
    }
    FloorRun run;
    run.jvmDll = argv[1];
    char classPath[2000], mainClass[2000];
    if (!WideCharToMultiByte(CP_ACP, 0, argv[2], -1, classPath, sizeof classPath, nullptr, nullptr) ||
        !WideCharToMultiByte(CP_ACP, 0, argv[3], -1, mainClass, sizeof mainClass, nullptr, nullptr)) {
        fputs("bench_jni_floor: argument too long\n", stderr);
        return 2;
    }
    run.classPathOption = std::string("-Djava.class.path=") + classPath;
    run.mainClass = mainClass;
    HANDLE thread = CreateThread(nullptr, 1 << 20, runVm, &run, 0, nullptr);
    if (thread == nullptr)
        return 1;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return run.exitCode;
}
