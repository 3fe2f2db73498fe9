#include "jvm/JavaVMLauncher.h"

#include <string>
#include <vector>

#include "common/records.h"
#include "common/split_command_line.h"
#include "common/text.h"
#include "config/settings.h"
#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "helperlib/helper_library.h"
#include "jvm/launcher_properties.h"
#include "jvm/load_dll.h"
#include "paths/expand_variables.h"
#include "paths/path_utils.h"

static_assert(sizeof(wchar_t) == sizeof(jchar), "wide text is Java's UTF-16");

namespace {

// Written once the VM exists; used only on the JVM thread.
JavaVM *javaVm;
JNIEnv *jniEnv;

const size_t kFileParameterCapacity = 6000;
const size_t kConfiguredArgumentsCapacity = 2000;
const size_t kSplashTextCapacity = 2000;
const size_t kHelperDirectoryCapacity = 4000;

const char kSplashClass[] = "com/pellux/runtime/WinLauncher";
const char kSplashSignature[] =
    "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V";
const char kInitFromLauncherClass[] = "com/zanthor/runtime/installer/platform/win32/Common";

// An optional step that failed a lookup leaves the VM's exception behind;
// the next call into the VM must not see it.
void dropPendingException() { (*jniEnv)->ExceptionClear(jniEnv); }

jstring newJavaString(const std::wstring &text) {
    return (*jniEnv)->NewString(jniEnv, reinterpret_cast<const jchar *>(text.c_str()), static_cast<jsize>(text.size()));
}

std::wstring javaStringText(JNIEnv *env, jstring text) {
    if (text == nullptr)
        return std::wstring();
    jsize length = (*env)->GetStringLength(env, text);
    const jchar *chars = (*env)->GetStringChars(env, text, nullptr);
    if (chars == nullptr)
        return std::wstring();
    std::wstring copy(reinterpret_cast<const wchar_t *>(chars), static_cast<size_t>(length));
    (*env)->ReleaseStringChars(env, text, chars);
    return copy;
}

}  // namespace

std::wstring redirectionFile(const Settings &settings, FlagSetting redirect, TextSetting fileSetting) {
    if (!settings.flag(redirect))
        return std::wstring();
    wchar_t file[kFileParameterCapacity];
    settings.text(fileSetting, file, kFileParameterCapacity);
    expandVariables(file, kFileParameterCapacity, ExpandMode::Argument);
    if (file[0] == L'$')
        return file;
    wchar_t fullPath[kFileParameterCapacity];
    getFullPath(fullPath, kFileParameterCapacity, file, DirectoryForm::Long, true);
    return fullPath;
}

namespace {

StringList configuredArguments(const Settings &settings) {
    wchar_t text[kConfiguredArgumentsCapacity];
    settings.text(record::kMainArguments, text, kConfiguredArgumentsCapacity);
    expandVariables(text, kConfiguredArgumentsCapacity, ExpandMode::Argument);
    StringList list;
    splitCommandLine(text, list);
    return list;
}

StringList mainParameters(const Settings &settings, const StringList &arguments) {
    LauncherParameterValues values;
    values.windowed = settings.integer(record::kLauncherType) == launcher_type::kWindowed;
    values.moduleMainClass = settings.flag(record::kMainInModule);
    values.mainClass = widenBytes(settings.text(record::kMainClass));
    values.errorFile = redirectionFile(settings, record::kRedirectError, record::kErrorFile);
    values.outputFile = redirectionFile(settings, record::kRedirectOutput, record::kOutputFile);
    values.appendOutput = settings.flag(record::kAppendOutput);
    return buildMainParameters(buildLauncherParameters(values), arguments, configuredArguments(settings),
                               settings.flag(record::kJavaOptionArguments));
}

// The String[] for main, or null (with the reason logged) when the VM cannot
// make it, which happens only when its memory is exhausted.
jobjectArray newParameterArray(const StringList &parameters) {
    jclass stringClass = (*jniEnv)->FindClass(jniEnv, "java/lang/String");
    if (stringClass == nullptr) {
        logError(L"could not find java/lang/String");
        return nullptr;
    }
    jobjectArray array =
        (*jniEnv)->NewObjectArray(jniEnv, static_cast<jsize>(parameters.size()), stringClass, nullptr);
    (*jniEnv)->DeleteLocalRef(jniEnv, stringClass);
    if (array == nullptr) {
        logError(L"could not create the parameter array of %d elements", static_cast<int>(parameters.size()));
        return nullptr;
    }
    for (size_t i = 0; i < parameters.size(); i++) {
        logMessage(L"param %d: %s", static_cast<int>(i), parameters[i].c_str());
        jstring parameter = newJavaString(parameters[i]);
        if (parameter == nullptr) {
            logError(L"could not create parameter %d", static_cast<int>(i));
            (*jniEnv)->DeleteLocalRef(jniEnv, array);
            return nullptr;
        }
        (*jniEnv)->SetObjectArrayElement(jniEnv, array, static_cast<jsize>(i), parameter);
        (*jniEnv)->DeleteLocalRef(jniEnv, parameter);
    }
    return array;
}

jstring newSplashText(const Settings &settings, TextSetting setting) {
    char text[kSplashTextCapacity];
    settings.text(setting, text, kSplashTextCapacity);
    return (*jniEnv)->NewStringUTF(jniEnv, text);
}

void passSplashSettings(const Settings &settings) {
    jclass launcher = (*jniEnv)->FindClass(jniEnv, kSplashClass);
    if (launcher == nullptr) {
        logError(L"could not find main class for splash properties");
        dropPendingException();
        return;
    }
    jmethodID method = (*jniEnv)->GetStaticMethodID(jniEnv, launcher, "initAwtSplashConfig", kSplashSignature);
    if (method == nullptr) {
        logError(L"could not find method for splash properties");
        dropPendingException();
        return;
    }
    jstring texts[4] = {newSplashText(settings, record::kSplashStatusText), newSplashText(settings, record::kSplashStatusColour),
                        newSplashText(settings, record::kSplashVersionText), newSplashText(settings, record::kSplashVersionColour)};
    jboolean flag = settings.flag(record::kSplashFlag) ? JNI_TRUE : JNI_FALSE;
    (*jniEnv)->CallStaticVoidMethod(
        jniEnv, launcher, method, JNI_TRUE, flag,
        texts[0], settings.integer(record::kSplashStatusX), settings.integer(record::kSplashStatusY),
        texts[1], settings.integer(record::kSplashStatusFontSize), settings.integer(record::kSplashStatusFontWeight),
        texts[2], settings.integer(record::kSplashVersionX), settings.integer(record::kSplashVersionY),
        texts[3], settings.integer(record::kSplashVersionFontSize), settings.integer(record::kSplashVersionFontWeight));
    for (jstring text : texts)
        (*jniEnv)->DeleteLocalRef(jniEnv, text);
}

// Common.initFromLauncher(available); false when the class or method is missing.
bool callInitFromLauncher(bool available) {
    jclass common = (*jniEnv)->FindClass(jniEnv, kInitFromLauncherClass);
    if (common == nullptr) {
        logError(L"did not find %S", kInitFromLauncherClass);
        dropPendingException();
        return false;
    }
    jmethodID method = (*jniEnv)->GetStaticMethodID(jniEnv, common, "initFromLauncher", "(Z)V");
    if (method == nullptr) {
        logError(L"did not find initMethod");
        dropPendingException();
        (*jniEnv)->DeleteLocalRef(jniEnv, common);
        return false;
    }
    (*jniEnv)->CallStaticVoidMethod(jniEnv, common, method, available ? JNI_TRUE : JNI_FALSE);
    (*jniEnv)->DeleteLocalRef(jniEnv, common);
    return true;
}

std::wstring helperLibraryPath(const Settings &settings) {
    wchar_t directory[kHelperDirectoryCapacity];
    settings.text(record::kInstallationDirectory, directory, kHelperDirectoryCapacity);
    wchar_t resolved[kHelperDirectoryCapacity];
    resolveAgainstExecutable(resolved, kHelperDirectoryCapacity, directory, DirectoryForm::Long);
    std::wstring path = resolved;
    if (path.empty() || path.back() != L'\\')
        path += L'\\';
    return path + HELPER_LIBRARY_FILE;
}

}  // namespace

bool reportPendingException(JNIEnv *env, bool describe) {
    jthrowable exception = (*env)->ExceptionOccurred(env);
    if (exception == nullptr)
        return true;
    logError(L"an exception occurred");
    // The VM takes no other call while the exception is pending, so the trace
    // is printed and the exception cleared before its text is asked for.
    if (describe)
        (*env)->ExceptionDescribe(env);
    (*env)->ExceptionClear(env);
    jclass exceptionClass = (*env)->GetObjectClass(env, exception);
    jmethodID toString = exceptionClass == nullptr
                             ? nullptr
                             : (*env)->GetMethodID(env, exceptionClass, "toString", "()Ljava/lang/String;");
    jstring text = toString == nullptr ? nullptr
                                       : static_cast<jstring>((*env)->CallObjectMethod(env, exception, toString));
    (*env)->ExceptionClear(env);
    logError(L"%s", javaStringText(env, text).c_str());
    for (jobject reference : {static_cast<jobject>(text), static_cast<jobject>(exceptionClass),
                              static_cast<jobject>(exception)})
        if (reference != nullptr)
            (*env)->DeleteLocalRef(env, reference);
    return false;
}

bool invokeMain(const Settings &settings, const StringList &arguments) {
    const char *className = launcherClassName(launcherFlavour);
    logMessage(L"main class: %S", className);
    jclass mainClass = (*jniEnv)->FindClass(jniEnv, className);
    if (mainClass == nullptr) {
        logError(L"could not find main class");
        fatalMessage(message::kMainClassNotLoaded);
    }
    jmethodID mainMethod = (*jniEnv)->GetStaticMethodID(jniEnv, mainClass, "main", "([Ljava/lang/String;)V");
    if (mainMethod == nullptr) {
        logError(L"could not find main method");
        fatalMessage(message::kMainMethodNotFound);
    }
    StringList parameters = mainParameters(settings, arguments);
    logMessage(L"param count: %d", static_cast<int>(parameters.size()));
    jobjectArray array = newParameterArray(parameters);
    if (array == nullptr) {
        reportPendingException(jniEnv, false);
        return false;
    }
    logMessage(L"calling main");
    (*jniEnv)->CallStaticVoidMethod(jniEnv, mainClass, mainMethod, array);
    logMessage(L"main returned");
    return reportPendingException(jniEnv, true);
}

void loadHelperLibrary(const Settings &settings) {
    if (launcherFlavour != 'i')
        return;
    logMessage(L"load helper dll");
    std::wstring path = helperLibraryPath(settings);
    HMODULE library = LoadLibraryW(path.c_str());
    logMessage(L"helper dll %p %s", static_cast<void *>(library), path.c_str());
    if (library == nullptr)
        return;
    RegisterNativesFunction registerNatives = exportedFunction<RegisterNativesFunction>(library, REGISTER_NATIVES_EXPORT);
    if (registerNatives == nullptr)
        logError(L"did not find register natives in helper dll");
    if (!callInitFromLauncher(true))
        return;
    // Without the export nothing is registered: the Java side must not rely on it.
    bool registered = registerNatives != nullptr && registerNatives(jniEnv, library, logError) != 0;
    if (!registered) {
        (*jniEnv)->ExceptionClear(jniEnv);
        logError(L"registering helper dll failed");
        callInitFromLauncher(false);
    }
}

void setModuleNameProperty() {
    jclass system = (*jniEnv)->FindClass(jniEnv, "java/lang/System");
    if (system == nullptr) {
        logError(L"could not get system class");
        dropPendingException();
        return;
    }
    jmethodID setProperty = (*jniEnv)->GetStaticMethodID(jniEnv, system, "setProperty",
                                                         "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
    jstring value = nullptr;
    jstring key = nullptr;
    if (setProperty == nullptr) {
        logError(L"could not get method for module name init");
        dropPendingException();
    } else {
        value = newJavaString(getExecutablePath());
        key = newJavaString(L"pellux.moduleName");
        if (value == nullptr || key == nullptr) {
            logError(L"could not create string for init module name");
            dropPendingException();
        } else {
            logMessage(L"setting pellux.moduleName to %s", getExecutablePath());
            jobject earlier = (*jniEnv)->CallStaticObjectMethod(jniEnv, system, setProperty, key, value);
            if (earlier != nullptr)
                (*jniEnv)->DeleteLocalRef(jniEnv, earlier);
        }
    }
    for (jobject reference : {static_cast<jobject>(key), static_cast<jobject>(value), static_cast<jobject>(system)})
        if (reference != nullptr)
            (*jniEnv)->DeleteLocalRef(jniEnv, reference);
}

bool createJvmAndRunMain(JvmLaunchRequest &request) {
    logMessage(L"Creating JVM");
    if (request.createJavaVM == nullptr ||
        request.createJavaVM(&javaVm, reinterpret_cast<void **>(&jniEnv), &request.initArgs) != JNI_OK) {
        logError(L"could not initialize JVM");
        return false;
    }
    logMessage(L"JVM created");
    const Settings &settings = *request.settings;
    if (settings.flag(record::kSplashTexts))
        passSplashSettings(settings);
    loadHelperLibrary(settings);
    setModuleNameProperty();
    (*jniEnv)->ExceptionClear(jniEnv);
    if (!invokeMain(settings, request.arguments)) {
        logError(L"could not call main");
        return false;
    }
    // Returns when the application's last non-daemon thread has ended.
    logMessage(L"dest JVM");
    (*javaVm)->DestroyJavaVM(javaVm);
    logMessage(L"launch done");
    return true;
}

DWORD WINAPI jvmThreadMain(LPVOID request) {
    return createJvmAndRunMain(*static_cast<JvmLaunchRequest *>(request)) ? 1 : 0;
}
