// What the launcher and the helper library (.zanthor\znoinst.dll) agree on.
// After Common.initFromLauncher(true) the launcher looks up the export by name
// and calls it on the JVM thread with the address of its logError.
#ifndef PELLUX_HELPERLIB_HELPER_LIBRARY_H
#define PELLUX_HELPERLIB_HELPER_LIBRARY_H

#include "common/jni_min.h"

// The launcher's logError: printf-style with a wide format, "%s" takes a wide
// and "%S" a narrow string.
typedef void (*HelperLogFunction)(const wchar_t *format, ...);

// cdecl. Returns 1 when the natives of HELPER_NATIVES_CLASS are registered, 0
// when the class is missing or registration failed; a Java exception may then
// be pending, which the caller clears. module is the library's own handle.
typedef unsigned char (*RegisterNativesFunction)(JNIEnv *env, void *module,
                                                 HelperLogFunction logError);

const wchar_t HELPER_LIBRARY_FILE[] = L".zanthor\\znoinst.dll";
const char REGISTER_NATIVES_EXPORT[] = "registerNatives";
const char HELPER_NATIVES_CLASS[] = "com/zanthor/runtime/installer/platform/win32/Common";

extern "C" unsigned char registerNatives(JNIEnv *env, void *module, HelperLogFunction logError);

#endif
