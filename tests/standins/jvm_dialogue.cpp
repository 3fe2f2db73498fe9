#include "jvm_dialogue.h"

namespace {

struct VmThreadJob {
    const VmLibrary *library;
    JavaVMInitArgs initArgs;
    const VmBody *body;
    jint result;
};

DWORD WINAPI vmThread(LPVOID parameter) {
    VmThreadJob &job = *static_cast<VmThreadJob *>(parameter);
    JavaVM *vm = nullptr;
    void *env = nullptr;
    job.result = job.library->create(&vm, &env, &job.initArgs);
    if (job.result == JNI_OK) (*job.body)(vm, static_cast<JNIEnv *>(env));
    return 0;
}

}  // namespace

bool loadVmLibrary(const std::wstring &jvmDll, VmLibrary &library) {
    library.module = LoadLibraryW(jvmDll.c_str());
    if (library.module == nullptr) return false;
    library.create = reinterpret_cast<CreateJavaVMFunction>(
        reinterpret_cast<void *>(GetProcAddress(library.module, "JNI_CreateJavaVM")));
    return library.create != nullptr;
}

void unloadVmLibrary(VmLibrary &library) {
    if (library.module != nullptr) FreeLibrary(library.module);
    library = VmLibrary();
}

jint runOnVmThread(const VmLibrary &library, const std::vector<std::string> &options,
                   size_t stackReserve, const VmBody &body) {
    std::vector<JavaVMOption> vmOptions;
    for (const std::string &option : options) {
        vmOptions.push_back({const_cast<char *>(option.c_str()), nullptr});
    }
    VmThreadJob job = {
        &library,
        {JNI_VERSION_1_2, static_cast<jint>(vmOptions.size()), vmOptions.data(), JNI_TRUE},
        &body,
        JNI_ERR};
    HANDLE thread = CreateThread(nullptr, stackReserve, &vmThread, &job,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr) return JNI_ERR;
    bool ended = WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return ended ? job.result : JNI_ERR;
}

jstring newJavaString(JNIEnv *env, const std::u16string &text) {
    return (*env)->NewString(env, reinterpret_cast<const jchar *>(text.data()),
                             static_cast<jsize>(text.size()));
}

std::string javaToString(JNIEnv *env, jobject object) {
    jclass clazz = (*env)->GetObjectClass(env, object);
    jmethodID toString = (*env)->GetMethodID(env, clazz, "toString", "()Ljava/lang/String;");
    if (toString == nullptr) return std::string();
    jstring text = static_cast<jstring>((*env)->CallObjectMethod(env, object, toString));
    const char *chars = (*env)->GetStringUTFChars(env, text, nullptr);
    std::string result = chars == nullptr ? std::string() : chars;
    (*env)->ReleaseStringUTFChars(env, text, chars);
    return result;
}

bool callEntryMain(JNIEnv *env, const char *entryClass,
                   const std::vector<std::u16string> &parameters) {
    jclass launcher = (*env)->FindClass(env, entryClass);
    if (launcher == nullptr) return false;
    jmethodID main = (*env)->GetStaticMethodID(env, launcher, "main", MAIN_SIGNATURE);
    if (main == nullptr) return false;
    jclass stringClass = (*env)->FindClass(env, "java/lang/String");
    jobjectArray array =
        (*env)->NewObjectArray(env, static_cast<jsize>(parameters.size()), stringClass, nullptr);
    if (array == nullptr) return false;
    for (size_t i = 0; i < parameters.size(); ++i) {
        jstring parameter = newJavaString(env, parameters[i]);
        if (parameter == nullptr) return false;
        (*env)->SetObjectArrayElement(env, array, static_cast<jsize>(i), parameter);
    }
    (*env)->CallStaticVoidMethod(env, launcher, main, array);
    return (*env)->ExceptionOccurred(env) == nullptr;
}
