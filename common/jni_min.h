// The part of the JNI invocation interface and function table that the
// launcher, its stand-in VMs and the helper library use. Slot positions follow
// the published table layout; unused slots are kept as opaque gaps so that a
// table built here lines up with a real VM's. A host test checks every typed
// slot against the JDK's own header.
#ifndef PELLUX_COMMON_JNI_MIN_H
#define PELLUX_COMMON_JNI_MIN_H

#include <cstdarg>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define JNICALL __stdcall
#else
#define JNICALL
#endif
#if defined(_WIN32)
#define JNIEXPORT __declspec(dllexport)
#else
#define JNIEXPORT __attribute__((visibility("default")))
#endif

typedef int32_t jint;
typedef int64_t jlong;
typedef uint8_t jboolean;
typedef uint16_t jchar;
typedef jint jsize;

struct _jobject;
typedef _jobject *jobject;
typedef jobject jclass;
typedef jobject jstring;
typedef jobject jarray;
typedef jobject jobjectArray;
typedef jobject jthrowable;
struct _jmethodID;
typedef _jmethodID *jmethodID;

const jint JNI_OK = 0;
const jint JNI_ERR = -1;
const jint JNI_VERSION_1_2 = 0x00010002;
const jboolean JNI_TRUE = 1;
const jboolean JNI_FALSE = 0;

struct JNINativeInterface_;
struct JNIInvokeInterface_;
typedef const JNINativeInterface_ *JNIEnv;
typedef const JNIInvokeInterface_ *JavaVM;

struct JNINativeMethod {
    char *name;
    char *signature;
    void *fnPtr;
};

struct JavaVMOption {
    char *optionString;
    void *extraInfo;
};

struct JavaVMInitArgs {
    jint version;
    jint nOptions;
    JavaVMOption *options;
    jboolean ignoreUnrecognized;
};

struct JNINativeInterface_ {
    void *reserved[4];                                               // 0-3
    jint(JNICALL *GetVersion)(JNIEnv *env);                          // 4
    void *gap5;                                                      // 5 DefineClass
    jclass(JNICALL *FindClass)(JNIEnv *env, const char *name);       // 6
    void *gap7_14[8];                                                // 7-14
    jthrowable(JNICALL *ExceptionOccurred)(JNIEnv *env);             // 15
    void(JNICALL *ExceptionDescribe)(JNIEnv *env);                   // 16
    void(JNICALL *ExceptionClear)(JNIEnv *env);                      // 17
    void *gap18_22[5];                                               // 18-22
    void(JNICALL *DeleteLocalRef)(JNIEnv *env, jobject obj);         // 23
    void *gap24_30[7];                                               // 24-30
    jclass(JNICALL *GetObjectClass)(JNIEnv *env, jobject obj);       // 31
    void *gap32;                                                     // 32 IsInstanceOf
    jmethodID(JNICALL *GetMethodID)(JNIEnv *env, jclass clazz, const char *name,
                                    const char *sig);                // 33
    jobject(JNICALL *CallObjectMethod)(JNIEnv *env, jobject obj, jmethodID methodID,
                                       ...);                         // 34
    void *gap35_112[78];                                             // 35-112
    jmethodID(JNICALL *GetStaticMethodID)(JNIEnv *env, jclass clazz, const char *name,
                                          const char *sig);          // 113
    jobject(JNICALL *CallStaticObjectMethod)(JNIEnv *env, jclass clazz, jmethodID methodID,
                                             ...);                   // 114
    void *gap115_140[26];                                            // 115-140
    void(JNICALL *CallStaticVoidMethod)(JNIEnv *env, jclass cls, jmethodID methodID,
                                        ...);                        // 141
    void(JNICALL *CallStaticVoidMethodV)(JNIEnv *env, jclass cls, jmethodID methodID,
                                         va_list args);              // 142
    void *gap143_162[20];                                            // 143-162
    jstring(JNICALL *NewString)(JNIEnv *env, const jchar *unicode, jsize len);  // 163
    jsize(JNICALL *GetStringLength)(JNIEnv *env, jstring str);                  // 164
    const jchar *(JNICALL *GetStringChars)(JNIEnv *env, jstring str,
                                           jboolean *isCopy);                   // 165
    void(JNICALL *ReleaseStringChars)(JNIEnv *env, jstring str,
                                      const jchar *chars);                      // 166
    jstring(JNICALL *NewStringUTF)(JNIEnv *env, const char *utf);               // 167
    jsize(JNICALL *GetStringUTFLength)(JNIEnv *env, jstring str);               // 168
    const char *(JNICALL *GetStringUTFChars)(JNIEnv *env, jstring str,
                                             jboolean *isCopy);                 // 169
    void(JNICALL *ReleaseStringUTFChars)(JNIEnv *env, jstring str,
                                         const char *chars);                    // 170
    jsize(JNICALL *GetArrayLength)(JNIEnv *env, jarray array);                  // 171
    jobjectArray(JNICALL *NewObjectArray)(JNIEnv *env, jsize len, jclass clazz,
                                          jobject init);                        // 172
    jobject(JNICALL *GetObjectArrayElement)(JNIEnv *env, jobjectArray array,
                                            jsize index);                       // 173
    void(JNICALL *SetObjectArrayElement)(JNIEnv *env, jobjectArray array, jsize index,
                                         jobject val);                          // 174
    void *gap175_214[40];                                                       // 175-214
    jint(JNICALL *RegisterNatives)(JNIEnv *env, jclass clazz,
                                   const JNINativeMethod *methods, jint nMethods);  // 215
    void *gap216_218[3];                                                        // 216-218
    jint(JNICALL *GetJavaVM)(JNIEnv *env, JavaVM **vm);                         // 219
    void *gap220_227[8];                                                        // 220-227
    jboolean(JNICALL *ExceptionCheck)(JNIEnv *env);                             // 228
    void *gap229_234[6];                                                        // 229-234
};

// Slots in a table of a JDK 21 VM; older VMs have fewer, but never fewer
// than the ones typed above.
const int JNI_FUNCTION_SLOTS = 235;
static_assert(sizeof(JNINativeInterface_) == JNI_FUNCTION_SLOTS * sizeof(void *),
              "function table slots");

struct JNIInvokeInterface_ {
    void *reserved[3];                                                          // 0-2
    jint(JNICALL *DestroyJavaVM)(JavaVM *vm);                                   // 3
    jint(JNICALL *AttachCurrentThread)(JavaVM *vm, void **penv, void *args);    // 4
    jint(JNICALL *DetachCurrentThread)(JavaVM *vm);                             // 5
    jint(JNICALL *GetEnv)(JavaVM *vm, void **penv, jint version);               // 6
    jint(JNICALL *AttachCurrentThreadAsDaemon)(JavaVM *vm, void **penv,
                                               void *args);                     // 7
};

typedef jint(JNICALL *CreateJavaVMFunction)(JavaVM **pvm, void **penv, void *args);

#endif
