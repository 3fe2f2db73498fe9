// Every typed slot of our JNI declarations must sit where the JDK's header
// puts it, or a real VM would be called through the wrong function.
#include <cstddef>

#include "common/jni_min.h"
namespace jdk {
#include <jni.h>
}

#define SAME_SLOT(name)                                                                      \
    static_assert(offsetof(::JNINativeInterface_, name) == offsetof(jdk::JNINativeInterface_, name), \
                  #name " is in the wrong slot")

SAME_SLOT(GetVersion);
SAME_SLOT(FindClass);
SAME_SLOT(ExceptionOccurred);
SAME_SLOT(ExceptionDescribe);
SAME_SLOT(ExceptionClear);
SAME_SLOT(DeleteLocalRef);
SAME_SLOT(GetObjectClass);
SAME_SLOT(GetMethodID);
SAME_SLOT(CallObjectMethod);
SAME_SLOT(GetStaticMethodID);
SAME_SLOT(CallStaticObjectMethod);
SAME_SLOT(CallStaticVoidMethod);
SAME_SLOT(CallStaticVoidMethodV);
SAME_SLOT(NewString);
SAME_SLOT(GetStringLength);
SAME_SLOT(GetStringChars);
SAME_SLOT(ReleaseStringChars);
SAME_SLOT(NewStringUTF);
SAME_SLOT(GetStringUTFLength);
SAME_SLOT(GetStringUTFChars);
SAME_SLOT(ReleaseStringUTFChars);
SAME_SLOT(GetArrayLength);
SAME_SLOT(NewObjectArray);
SAME_SLOT(GetObjectArrayElement);
SAME_SLOT(SetObjectArrayElement);
SAME_SLOT(RegisterNatives);
SAME_SLOT(GetJavaVM);
SAME_SLOT(ExceptionCheck);
static_assert(sizeof(::JNINativeInterface_) >= sizeof(jdk::JNINativeInterface_), "table too short");

#define SAME_INVOKE_SLOT(name)                                                                 \
    static_assert(offsetof(::JNIInvokeInterface_, name) == offsetof(jdk::JNIInvokeInterface_, name), \
                  #name " is in the wrong slot")
SAME_INVOKE_SLOT(DestroyJavaVM);
SAME_INVOKE_SLOT(AttachCurrentThread);
SAME_INVOKE_SLOT(DetachCurrentThread);
SAME_INVOKE_SLOT(GetEnv);
SAME_INVOKE_SLOT(AttachCurrentThreadAsDaemon);

static_assert(sizeof(::JavaVMInitArgs) == sizeof(jdk::JavaVMInitArgs), "init args layout");
static_assert(offsetof(::JavaVMInitArgs, options) == offsetof(jdk::JavaVMInitArgs, options), "init args layout");
static_assert(sizeof(::JavaVMOption) == sizeof(jdk::JavaVMOption), "option layout");

int main() { return 0; }
