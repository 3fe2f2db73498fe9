// Natives of com.zanthor.runtime.installer.platform.win32.Common. The library
// carries no C runtime and imports nothing: it is loaded into a VM process
// that already holds the VM's own runtime, and must work beside any of them.
#include <windows.h>

#include "helperlib/helper_library.h"

static_assert(sizeof(wchar_t) == sizeof(jchar), "Java text is UTF-16 like wide text");

namespace {

// Set by registerNatives on the JVM thread before any native can be called.
HelperLogFunction launcherLog = nullptr;

// Longer lines are cut; the diagnostic log is meant for short decisions.
const int LOG_LINE_CAPACITY = 2000;

// Copies at most capacity - 1 code units and terminates the copy; Java text
// carries no terminator of its own.
void copyJavaText(const jchar *chars, jsize length, wchar_t *buffer, int capacity) {
    int count = length < capacity - 1 ? length : capacity - 1;
    if (count < 0) {
        count = 0;
    }
    for (int i = 0; i < count; ++i) {
        buffer[i] = static_cast<wchar_t>(chars[i]);
    }
    buffer[count] = L'\0';
}

// Common.logToLauncher(String): true when the line reached the launcher's log
// writer (which writes nothing while the log is switched off).
jboolean JNICALL logToLauncher(JNIEnv *env, jclass, jstring line) {
    if (launcherLog == nullptr || line == nullptr) {
        return JNI_FALSE;
    }
    jsize length = (*env)->GetStringLength(env, line);
    const jchar *chars = (*env)->GetStringChars(env, line, nullptr);
    if (chars == nullptr) {
        return JNI_FALSE;  // the VM has an OutOfMemoryError pending
    }
    wchar_t text[LOG_LINE_CAPACITY];
    copyJavaText(chars, length, text, LOG_LINE_CAPACITY);
    (*env)->ReleaseStringChars(env, line, chars);
    // The Java text is an argument, never the format: a "%" in it stays text.
    launcherLog(L"java: %s", text);
    return JNI_TRUE;
}

char logToLauncherName[] = "logToLauncher";
char logToLauncherSignature[] = "(Ljava/lang/String;)Z";

}  // namespace

extern "C" unsigned char registerNatives(JNIEnv *env, void *module, HelperLogFunction logError) {
    (void)module;  // no natives need the library's resources yet
    if (env == nullptr || logError == nullptr) {
        return 0;
    }
    jclass common = (*env)->FindClass(env, HELPER_NATIVES_CLASS);
    if (common == nullptr) {
        logError(L"helper dll: class %S not found", HELPER_NATIVES_CLASS);
        return 0;
    }
    launcherLog = logError;
    JNINativeMethod methods[] = {
        {logToLauncherName, logToLauncherSignature, reinterpret_cast<void *>(logToLauncher)},
    };
    jint result = (*env)->RegisterNatives(env, common, methods, 1);
    (*env)->DeleteLocalRef(env, common);
    if (result != JNI_OK) {
        logError(L"helper dll: RegisterNatives failed %d", result);
        return 0;
    }
    return 1;
}

// Without a C runtime the library provides the entry point the linker expects.
extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
