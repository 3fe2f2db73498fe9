#include "jvm/JavaVMLauncher.h"

#include <string>
#include <vector>

#include "common/capacities.h"
#include "common/records.h"
#include "common/split_command_line.h"
#include "common/text.h"
#include "config/settings.h"
#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "helperlib/helper_library.h"
#include "jvm/launch_context.h"
#include "jvm/launcher_properties.h"
#include "jvm/load_dll.h"
#include "paths/expand_variables.h"
#include "paths/path_utils.h"

static_assert(sizeof(wchar_t) == sizeof(jchar), "wide text is Java's UTF-16");

namespace {

const size_t kConfiguredArgumentsCapacity = 2000;
const size_t kSplashTextCapacity = 2000;
const size_t kHelperDirectoryCapacity = 4000;

const char kSplashClass[] = "com/pellux/runtime/WinLauncher";
const char kSplashSignature[] =
    "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V";
const char kInitFromLauncherClass[] = "com/zanthor/runtime/installer/platform/win32/Common";

// An optional step that failed a lookup leaves the VM's exception behind;
// the next call into the VM must not see it.
void dropPendingException(JNIEnv *env) { (*env)->ExceptionClear(env); }

jstring newJavaString(JNIEnv *env, const std::wstring &text) {
    return (*env)->NewString(env, reinterpret_cast<const jchar *>(text.c_str()), static_cast<jsize>(text.size()));
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

std::wstring redirectionFile(const Settings &settings, const RunPlaces &places, FlagSetting redirect,
                             TextSetting fileSetting) {
    if (!settings.flag(redirect))
        return std::wstring();
    wchar_t file[kPathCapacity];
    settings.text(fileSetting, file, kPathCapacity);
    expandVariables(places, file, kPathCapacity, ExpandMode::Argument);
    if (file[0] == L'$')
        return file;
    wchar_t fullPath[kPathCapacity];
    getFullPath(fullPath, kPathCapacity, file, DirectoryForm::Long, true);
    // Made here, before Java would make them with inherited rights.
    if (settings.flag(record::kSafeOutputFiles) && fullPath[0] != 0)
        createFoldersPrivately(std::wstring(fullPath, directoryPartLength(fullPath)));
    return fullPath;
}

namespace {

StringList configuredArguments(const Settings &settings, const RunPlaces &places) {
    wchar_t text[kConfiguredArgumentsCapacity];
    settings.text(record::kMainArguments, text, kConfiguredArgumentsCapacity);
    expandVariables(places, text, kConfiguredArgumentsCapacity, ExpandMode::Argument);
    StringList list;
    splitCommandLine(text, list);
    return list;
}

StringList mainParameters(const Settings &settings, const RunPlaces &places, const StringList &arguments) {
    LauncherParameterValues values;
    values.windowed = settings.integer(record::kLauncherType) == launcher_type::kWindowed;
    values.moduleMainClass = settings.flag(record::kMainInModule);
    values.mainClass = widenBytes(settings.text(record::kMainClass));
    values.errorFile = redirectionFile(settings, places, record::kRedirectError, record::kErrorFile);
    values.outputFile = redirectionFile(settings, places, record::kRedirectOutput, record::kOutputFile);
    values.appendOutput = settings.flag(record::kAppendOutput);
    return buildMainParameters(buildLauncherParameters(values), arguments, configuredArguments(settings, places),
                               settings.flag(record::kJavaOptionArguments));
}

// The String[] for main, or null (with the reason logged) when the VM cannot
// make it, which happens only when its memory is exhausted.
jobjectArray newParameterArray(JNIEnv *env, const StringList &parameters) {
    jclass stringClass = (*env)->FindClass(env, "java/lang/String");
    if (stringClass == nullptr) {
        logError("could not find java/lang/String");
        return nullptr;
    }
    jobjectArray array =
        (*env)->NewObjectArray(env, static_cast<jsize>(parameters.size()), stringClass, nullptr);
    (*env)->DeleteLocalRef(env, stringClass);
    if (array == nullptr) {
        logError("could not create the parameter array of %d elements", static_cast<int>(parameters.size()));
        return nullptr;
    }
    for (size_t i = 0; i < parameters.size(); i++) {
        logMessage("param %d: %s", static_cast<int>(i), parameters[i].c_str());
        jstring parameter = newJavaString(env, parameters[i]);
        if (parameter == nullptr) {
            logError("could not create parameter %d", static_cast<int>(i));
            (*env)->DeleteLocalRef(env, array);
            return nullptr;
        }
        (*env)->SetObjectArrayElement(env, array, static_cast<jsize>(i), parameter);
        (*env)->DeleteLocalRef(env, parameter);
    }
    return array;
}

jstring newSplashText(const Settings &settings, JNIEnv *env, TextSetting setting) {
    char text[kSplashTextCapacity];
    settings.text(setting, text, kSplashTextCapacity);
    return (*env)->NewStringUTF(env, text);
}

void passSplashSettings(const Settings &settings, JNIEnv *env) {
    jclass launcher = (*env)->FindClass(env, kSplashClass);
    if (launcher == nullptr) {
        logError("could not find main class for splash properties");
        dropPendingException(env);
        return;
    }
    jmethodID method = (*env)->GetStaticMethodID(env, launcher, "initAwtSplashConfig", kSplashSignature);
    if (method == nullptr) {
        logError("could not find method for splash properties");
        dropPendingException(env);
        return;
    }
    jstring texts[4] = {newSplashText(settings, env, record::kSplashStatusText),
                        newSplashText(settings, env, record::kSplashStatusColour),
                        newSplashText(settings, env, record::kSplashVersionText),
                        newSplashText(settings, env, record::kSplashVersionColour)};
    jboolean flag = settings.flag(record::kSplashFlag) ? JNI_TRUE : JNI_FALSE;
    (*env)->CallStaticVoidMethod(
        env, launcher, method, JNI_TRUE, flag,
        texts[0], settings.integer(record::kSplashStatusX), settings.integer(record::kSplashStatusY),
        texts[1], settings.integer(record::kSplashStatusFontSize), settings.integer(record::kSplashStatusFontWeight),
        texts[2], settings.integer(record::kSplashVersionX), settings.integer(record::kSplashVersionY),
        texts[3], settings.integer(record::kSplashVersionFontSize), settings.integer(record::kSplashVersionFontWeight));
    for (jstring text : texts)
        (*env)->DeleteLocalRef(env, text);
}

// Common.initFromLauncher(available); false when the class or method is missing.
bool callInitFromLauncher(JNIEnv *env, bool available) {
    jclass common = (*env)->FindClass(env, kInitFromLauncherClass);
    if (common == nullptr) {
        logError("did not find %S", kInitFromLauncherClass);
        dropPendingException(env);
        return false;
    }
    jmethodID method = (*env)->GetStaticMethodID(env, common, "initFromLauncher", "(Z)V");
    if (method == nullptr) {
        logError("did not find initMethod");
        dropPendingException(env);
        (*env)->DeleteLocalRef(env, common);
        return false;
    }
    (*env)->CallStaticVoidMethod(env, common, method, available ? JNI_TRUE : JNI_FALSE);
    (*env)->DeleteLocalRef(env, common);
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
    logError("an exception occurred");
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
    logError("%s", javaStringText(env, text).c_str());
    for (jobject reference : {static_cast<jobject>(text), static_cast<jobject>(exceptionClass),
                              static_cast<jobject>(exception)})
        if (reference != nullptr)
            (*env)->DeleteLocalRef(env, reference);
    return false;
}

bool invokeMain(const Settings &settings, JNIEnv *env, const LaunchContext &context, const StringList &arguments) {
    const char *className = launcherClassName(context.flavour);
    logMessage("main class: %S", className);
    jclass mainClass = (*env)->FindClass(env, className);
    if (mainClass == nullptr) {
        logError("could not find main class");
        fatalMessage(message::kMainClassNotLoaded);
    }
    jmethodID mainMethod = (*env)->GetStaticMethodID(env, mainClass, "main", "([Ljava/lang/String;)V");
    if (mainMethod == nullptr) {
        logError("could not find main method");
        fatalMessage(message::kMainMethodNotFound);
    }
    StringList parameters = mainParameters(settings, context.places, arguments);
    logMessage("param count: %d", static_cast<int>(parameters.size()));
    jobjectArray array = newParameterArray(env, parameters);
    if (array == nullptr) {
        reportPendingException(env, false);
        return false;
    }
    logMessage("calling main");
    (*env)->CallStaticVoidMethod(env, mainClass, mainMethod, array);
    logMessage("main returned");
    return reportPendingException(env, true);
}

void loadHelperLibrary(const Settings &settings, JNIEnv *env, char flavour) {
    if (flavour != 'i')
        return;
    logMessage("load helper dll");
    std::wstring path = helperLibraryPath(settings);
    HMODULE library = LoadLibraryW(path.c_str());
    logMessage("helper dll %p %s", static_cast<void *>(library), path.c_str());
    if (library == nullptr)
        return;
    RegisterNativesFunction registerNatives = exportedFunction<RegisterNativesFunction>(library, REGISTER_NATIVES_EXPORT);
    if (registerNatives == nullptr)
        logError("did not find register natives in helper dll");
    if (!callInitFromLauncher(env, true))
        return;
    // Without the export nothing is registered: the Java side must not rely on it.
    bool registered = registerNatives != nullptr && registerNatives(env, library, logError) != 0;
    if (!registered) {
        (*env)->ExceptionClear(env);
        logError("registering helper dll failed");
        callInitFromLauncher(env, false);
    }
}

void setModuleNameProperty(JNIEnv *env) {
    jclass system = (*env)->FindClass(env, "java/lang/System");
    if (system == nullptr) {
        logError("could not get system class");
        dropPendingException(env);
        return;
    }
    jmethodID setProperty = (*env)->GetStaticMethodID(env, system, "setProperty",
                                                         "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
    jstring value = nullptr;
    jstring key = nullptr;
    if (setProperty == nullptr) {
        logError("could not get method for module name init");
        dropPendingException(env);
    } else {
        value = newJavaString(env, getExecutablePath());
        key = newJavaString(env, L"pellux.moduleName");
        if (value == nullptr || key == nullptr) {
            logError("could not create string for init module name");
            dropPendingException(env);
        } else {
            logMessage("setting pellux.moduleName to %s", getExecutablePath());
            jobject earlier = (*env)->CallStaticObjectMethod(env, system, setProperty, key, value);
            if (earlier != nullptr)
                (*env)->DeleteLocalRef(env, earlier);
        }
    }
    for (jobject reference : {static_cast<jobject>(key), static_cast<jobject>(value), static_cast<jobject>(system)})
        if (reference != nullptr)
            (*env)->DeleteLocalRef(env, reference);
}

bool createJvmAndRunMain(JvmLaunchRequest &request) {
    logMessage("Creating JVM");
    // Used only on this thread.
    JavaVM *javaVm = nullptr;
    JNIEnv *env = nullptr;
    if (request.createJavaVM == nullptr ||
        request.createJavaVM(&javaVm, reinterpret_cast<void **>(&env), &request.initArgs) != JNI_OK) {
        logError("could not initialize JVM");
        return false;
    }
    logMessage("JVM created");
    const Settings &settings = *request.settings;
    if (settings.flag(record::kSplashTexts))
        passSplashSettings(settings, env);
    loadHelperLibrary(settings, env, request.context->flavour);
    setModuleNameProperty(env);
    (*env)->ExceptionClear(env);
    if (!invokeMain(settings, env, *request.context, request.arguments)) {
        logError("could not call main");
        return false;
    }
    // Returns when the application's last non-daemon thread has ended.
    logMessage("dest JVM");
    (*javaVm)->DestroyJavaVM(javaVm);
    logMessage("launch done");
    return true;
}

DWORD WINAPI jvmThreadMain(LPVOID request) {
    return createJvmAndRunMain(*static_cast<JvmLaunchRequest *>(request)) ? 1 : 0;
}
