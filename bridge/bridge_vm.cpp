#include "bridge/bridge_vm.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

typedef std::basic_string<jchar> JavaText;

enum class ObjectKind { Class, String, Array, Throwable };

struct BridgeObject {
    ObjectKind kind;
    std::string name;               // a class's JNI name; a throwable's class
    JavaText text;                  // a string's contents; a throwable's toString
    std::vector<jobject> elements;  // an array's elements
};

enum class MethodKind { Main, SetProperty, ToString };

struct BridgeMethod {
    MethodKind kind;
};

struct BridgeVmState {
    bool alive = false;
    BridgeVmHooks hooks = {nullptr, nullptr};
    std::vector<std::string> options;
    std::vector<std::pair<std::string, std::string>> properties;
    std::map<const void *, std::unique_ptr<BridgeObject>> objects;  // handle -> object
    std::map<std::string, jobject> classes;
    jthrowable pending = nullptr;
};

// Arrays and strings beyond these sizes are refused as a real VM would refuse
// memory it does not have; the launcher never comes near them.
const jsize MAX_ARRAY_LENGTH = 1 << 20;
const jsize MAX_STRING_LENGTH = 1 << 26;

static BridgeMethod mainMethod{MethodKind::Main};
static BridgeMethod setPropertyMethod{MethodKind::SetProperty};
static BridgeMethod toStringMethod{MethodKind::ToString};

// One VM per process, as with a real jvm.dll; lives until DestroyJavaVM.
static BridgeVmState vmState;
static JNINativeInterface_ functionTable;
static JNIInvokeInterface_ invokeTable;
static JNIEnv envInstance = &functionTable;
static JavaVM vmInstance = &invokeTable;

// ---- text conversions ------------------------------------------------------

static bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

static void appendCodePoint(JavaText &text, unsigned long codePoint) {
    if (codePoint <= 0xFFFF) {
        text.push_back(static_cast<jchar>(codePoint));
        return;
    }
    codePoint -= 0x10000;
    text.push_back(static_cast<jchar>(0xD800 + (codePoint >> 10)));
    text.push_back(static_cast<jchar>(0xDC00 + (codePoint & 0x3FF)));
}

// Modified UTF-8 as JNI hands it over; plain four-byte UTF-8 is taken too.
// Malformed bytes become U+FFFD, never a read past the end.
static JavaText javaTextFromUtf8(const char *utf) {
    const unsigned char *s = reinterpret_cast<const unsigned char *>(utf);
    size_t n = std::strlen(utf);
    JavaText text;
    size_t i = 0;
    while (i < n) {
        unsigned char b0 = s[i];
        if (b0 < 0x80) {
            appendCodePoint(text, b0);
            i += 1;
        } else if ((b0 & 0xE0) == 0xC0 && i + 1 < n && isContinuation(s[i + 1])) {
            appendCodePoint(text, ((b0 & 0x1Ful) << 6) | (s[i + 1] & 0x3Ful));
            i += 2;
        } else if ((b0 & 0xF0) == 0xE0 && i + 2 < n && isContinuation(s[i + 1]) &&
                   isContinuation(s[i + 2])) {
            appendCodePoint(text, ((b0 & 0x0Ful) << 12) | ((s[i + 1] & 0x3Ful) << 6) | (s[i + 2] & 0x3Ful));
            i += 3;
        } else if ((b0 & 0xF8) == 0xF0 && i + 3 < n && isContinuation(s[i + 1]) &&
                   isContinuation(s[i + 2]) && isContinuation(s[i + 3])) {
            unsigned long codePoint = ((b0 & 0x07ul) << 18) | ((s[i + 1] & 0x3Ful) << 12) |
                                      ((s[i + 2] & 0x3Ful) << 6) | (s[i + 3] & 0x3Ful);
            appendCodePoint(text, codePoint <= 0x10FFFF ? codePoint : 0xFFFD);
            i += 4;
        } else {
            appendCodePoint(text, 0xFFFD);
            i += 1;
        }
    }
    return text;
}

static void appendUtf8(std::string &out, unsigned long codePoint) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

std::string utf16ToUtf8(const jchar *text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; i++) {
        unsigned long unit = text[i];
        bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            i++;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

// JNI's modified UTF-8: U+0000 as two bytes, surrogates one by one.
static std::string modifiedUtf8(const JavaText &text) {
    std::string out;
    for (jchar unit : text) {
        if (unit == 0)
            out += "\xC0\x80";
        else
            appendUtf8(out, unit);
    }
    return out;
}

static std::string utf8Of(const JavaText &text) { return utf16ToUtf8(text.data(), text.size()); }

static JavaText javaText(const std::string &utf8) { return javaTextFromUtf8(utf8.c_str()); }

// ---- objects ---------------------------------------------------------------

static jobject addObject(ObjectKind kind, const std::string &name) {
    std::unique_ptr<BridgeObject> object(new BridgeObject{kind, name, JavaText(), {}});
    jobject handle = reinterpret_cast<jobject>(object.get());
    vmState.objects[handle] = std::move(object);
    return handle;
}

// The object behind a handle when it is alive and of the kind, else null.
static BridgeObject *objectOf(jobject handle, ObjectKind kind) {
    auto found = vmState.objects.find(handle);
    if (found == vmState.objects.end() || found->second->kind != kind)
        return nullptr;
    return found->second.get();
}

static jclass classObject(const std::string &name) {
    auto found = vmState.classes.find(name);
    if (found != vmState.classes.end())
        return found->second;
    jclass handle = addObject(ObjectKind::Class, name);
    vmState.classes[name] = handle;
    return handle;
}

static jstring newJavaString(const JavaText &text) {
    jstring handle = addObject(ObjectKind::String, "java/lang/String");
    objectOf(handle, ObjectKind::String)->text = text;
    return handle;
}

static void throwNew(const char *className, const std::string &message) {
    std::string dotted = className;
    for (char &c : dotted)
        if (c == '/')
            c = '.';
    jthrowable handle = addObject(ObjectKind::Throwable, className);
    objectOf(handle, ObjectKind::Throwable)->text = javaText(message.empty() ? dotted : dotted + ": " + message);
    vmState.pending = handle;
}

// ---- the function table ----------------------------------------------------

static jint JNICALL bridgeGetVersion(JNIEnv *) { return 0x000a0000; }

static jclass JNICALL bridgeFindClass(JNIEnv *, const char *name) {
    if (name == nullptr || name[0] == 0 || std::strcmp(name, HELPER_CLASS_NAME) == 0) {
        throwNew("java/lang/NoClassDefFoundError", name == nullptr ? "" : name);
        return nullptr;
    }
    return classObject(name);
}

static jthrowable JNICALL bridgeExceptionOccurred(JNIEnv *) { return vmState.pending; }

static void JNICALL bridgeExceptionDescribe(JNIEnv *) {
    BridgeObject *throwable = objectOf(vmState.pending, ObjectKind::Throwable);
    if (throwable == nullptr)
        return;
    std::fprintf(stderr, "Exception in thread \"main\" %s\n", utf8Of(throwable->text).c_str());
    std::fflush(stderr);
    vmState.pending = nullptr;
}

static void JNICALL bridgeExceptionClear(JNIEnv *) { vmState.pending = nullptr; }

static jboolean JNICALL bridgeExceptionCheck(JNIEnv *) {
    return vmState.pending != nullptr ? JNI_TRUE : JNI_FALSE;
}

// Objects live until DestroyJavaVM; arrays may still refer to them.
static void JNICALL bridgeDeleteLocalRef(JNIEnv *, jobject) {}

static jclass JNICALL bridgeGetObjectClass(JNIEnv *, jobject object) {
    auto found = vmState.objects.find(object);
    if (found == vmState.objects.end()) {
        throwNew("java/lang/NullPointerException", "GetObjectClass");
        return nullptr;
    }
    switch (found->second->kind) {
    case ObjectKind::Class:
        return classObject("java/lang/Class");
    case ObjectKind::String:
        return classObject("java/lang/String");
    case ObjectKind::Array:
        return classObject("[Ljava/lang/Object;");
    case ObjectKind::Throwable:
        break;
    }
    return classObject(found->second->name);
}

static bool sameText(const char *a, const char *b) { return a != nullptr && std::strcmp(a, b) == 0; }

static jmethodID JNICALL bridgeGetMethodID(JNIEnv *, jclass clazz, const char *name, const char *sig) {
    if (objectOf(clazz, ObjectKind::Class) != nullptr && sameText(name, "toString") &&
        sameText(sig, "()Ljava/lang/String;"))
        return reinterpret_cast<jmethodID>(&toStringMethod);
    throwNew("java/lang/NoSuchMethodError", name == nullptr ? "" : name);
    return nullptr;
}

static jobject JNICALL bridgeCallObjectMethod(JNIEnv *, jobject object, jmethodID method, ...) {
    if (method != reinterpret_cast<jmethodID>(&toStringMethod)) {
        throwNew("java/lang/NoSuchMethodError", "instance method");
        return nullptr;
    }
    auto found = vmState.objects.find(object);
    if (found == vmState.objects.end()) {
        throwNew("java/lang/NullPointerException", "toString");
        return nullptr;
    }
    const BridgeObject &target = *found->second;
    if (target.kind == ObjectKind::String)
        return object;
    if (target.kind == ObjectKind::Throwable)
        return newJavaString(target.text);
    std::string dotted = target.name;
    for (char &c : dotted)
        if (c == '/')
            c = '.';
    return newJavaString(javaText((target.kind == ObjectKind::Class ? "class " : "object ") + dotted));
}

static jmethodID JNICALL bridgeGetStaticMethodID(JNIEnv *, jclass clazz, const char *name,
                                                 const char *sig) {
    BridgeObject *owner = objectOf(clazz, ObjectKind::Class);
    if (owner != nullptr && sameText(name, "main") && sameText(sig, "([Ljava/lang/String;)V"))
        return reinterpret_cast<jmethodID>(&mainMethod);
    if (owner != nullptr && owner->name == "java/lang/System" && sameText(name, "setProperty") &&
        sameText(sig, "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;"))
        return reinterpret_cast<jmethodID>(&setPropertyMethod);
    // Everything else (splash settings, helper initialisation) lives in
    // classes the Linux JVM loads later; the launcher treats it as optional.
    throwNew("java/lang/NoSuchMethodError", name == nullptr ? "" : name);
    return nullptr;
}

static void runMain(jclass clazz, jobjectArray arguments) {
    JavaLaunch launch;
    launch.vmOptions = vmState.options;
    launch.properties = vmState.properties;
    launch.entryClass = objectOf(clazz, ObjectKind::Class)->name;
    if (BridgeObject *array = objectOf(arguments, ObjectKind::Array)) {
        for (jobject element : array->elements) {
            BridgeObject *text = objectOf(element, ObjectKind::String);
            launch.mainArguments.push_back(text != nullptr ? utf8Of(text->text) : std::string());
        }
    }
    int code = vmState.hooks.runJava(launch);
    // Zero lets the launcher go on to DestroyJavaVM and its normal end.
    if (code != 0)
        vmState.hooks.exitProcess(code);
}

static jobject setProperty(jobject key, jobject value) {
    BridgeObject *keyText = objectOf(key, ObjectKind::String);
    BridgeObject *valueText = objectOf(value, ObjectKind::String);
    if (keyText == nullptr || valueText == nullptr) {
        throwNew("java/lang/NullPointerException", "setProperty");
        return nullptr;
    }
    std::string name = utf8Of(keyText->text);
    for (auto &property : vmState.properties) {
        if (property.first == name) {
            jstring previous = newJavaString(javaText(property.second));
            property.second = utf8Of(valueText->text);
            return previous;
        }
    }
    vmState.properties.emplace_back(name, utf8Of(valueText->text));
    return nullptr;
}

// The static methods the table knows: main and System.setProperty.
static jobject invokeStatic(jclass clazz, jmethodID method, va_list arguments) {
    if (objectOf(clazz, ObjectKind::Class) == nullptr) {
        throwNew("java/lang/NullPointerException", "static call without a class");
        return nullptr;
    }
    if (method == reinterpret_cast<jmethodID>(&mainMethod)) {
        jobject array = va_arg(arguments, jobject);
        runMain(clazz, array);
        return nullptr;
    }
    if (method == reinterpret_cast<jmethodID>(&setPropertyMethod)) {
        jobject key = va_arg(arguments, jobject);
        jobject value = va_arg(arguments, jobject);
        return setProperty(key, value);
    }
    throwNew("java/lang/NoSuchMethodError", "static method");
    return nullptr;
}

static jobject JNICALL bridgeCallStaticObjectMethod(JNIEnv *, jclass clazz, jmethodID method, ...) {
    va_list arguments;
    va_start(arguments, method);
    jobject result = invokeStatic(clazz, method, arguments);
    va_end(arguments);
    return result;
}

static void JNICALL bridgeCallStaticVoidMethodV(JNIEnv *, jclass clazz, jmethodID method,
                                                va_list arguments) {
    invokeStatic(clazz, method, arguments);
}

static void JNICALL bridgeCallStaticVoidMethod(JNIEnv *, jclass clazz, jmethodID method, ...) {
    va_list arguments;
    va_start(arguments, method);
    invokeStatic(clazz, method, arguments);
    va_end(arguments);
}

static jstring JNICALL bridgeNewString(JNIEnv *, const jchar *unicode, jsize length) {
    if (length < 0 || length > MAX_STRING_LENGTH) {
        throwNew("java/lang/OutOfMemoryError", "string length");
        return nullptr;
    }
    if (unicode == nullptr && length > 0) {
        throwNew("java/lang/NullPointerException", "NewString");
        return nullptr;
    }
    return newJavaString(length == 0 ? JavaText() : JavaText(unicode, static_cast<size_t>(length)));
}

static jsize JNICALL bridgeGetStringLength(JNIEnv *, jstring string) {
    BridgeObject *text = objectOf(string, ObjectKind::String);
    return text == nullptr ? 0 : static_cast<jsize>(text->text.size());
}

// Points into the string itself, which stays until DestroyJavaVM.
static const jchar *JNICALL bridgeGetStringChars(JNIEnv *, jstring string, jboolean *isCopy) {
    BridgeObject *text = objectOf(string, ObjectKind::String);
    if (isCopy != nullptr)
        *isCopy = JNI_FALSE;
    return text == nullptr ? nullptr : text->text.c_str();
}

static void JNICALL bridgeReleaseStringChars(JNIEnv *, jstring, const jchar *) {}

static jstring JNICALL bridgeNewStringUTF(JNIEnv *, const char *utf) {
    if (utf == nullptr)
        return nullptr;
    return newJavaString(javaTextFromUtf8(utf));
}

static jsize JNICALL bridgeGetStringUTFLength(JNIEnv *, jstring string) {
    BridgeObject *text = objectOf(string, ObjectKind::String);
    return text == nullptr ? 0 : static_cast<jsize>(modifiedUtf8(text->text).size());
}

// A copy the caller gives back with ReleaseStringUTFChars.
static const char *JNICALL bridgeGetStringUTFChars(JNIEnv *, jstring string, jboolean *isCopy) {
    BridgeObject *text = objectOf(string, ObjectKind::String);
    if (isCopy != nullptr)
        *isCopy = JNI_TRUE;
    if (text == nullptr)
        return nullptr;
    std::string utf = modifiedUtf8(text->text);
    char *copy = static_cast<char *>(std::malloc(utf.size() + 1));
    if (copy == nullptr) {
        throwNew("java/lang/OutOfMemoryError", "GetStringUTFChars");
        return nullptr;
    }
    std::memcpy(copy, utf.c_str(), utf.size() + 1);
    return copy;
}

static void JNICALL bridgeReleaseStringUTFChars(JNIEnv *, jstring, const char *chars) {
    std::free(const_cast<char *>(chars));
}

static jsize JNICALL bridgeGetArrayLength(JNIEnv *, jarray array) {
    BridgeObject *object = objectOf(array, ObjectKind::Array);
    return object == nullptr ? 0 : static_cast<jsize>(object->elements.size());
}

static jobjectArray JNICALL bridgeNewObjectArray(JNIEnv *, jsize length, jclass elementClass,
                                                 jobject initial) {
    if (length < 0) {
        throwNew("java/lang/NegativeArraySizeException", std::to_string(length));
        return nullptr;
    }
    if (length > MAX_ARRAY_LENGTH) {
        throwNew("java/lang/OutOfMemoryError", "array length");
        return nullptr;
    }
    BridgeObject *type = objectOf(elementClass, ObjectKind::Class);
    if (type == nullptr) {
        throwNew("java/lang/NullPointerException", "NewObjectArray");
        return nullptr;
    }
    jobjectArray handle = addObject(ObjectKind::Array, "[L" + type->name + ";");
    objectOf(handle, ObjectKind::Array)->elements.assign(static_cast<size_t>(length), initial);
    return handle;
}

// The array when the index lies inside it; otherwise the exception is pending.
static BridgeObject *arrayForIndex(jobjectArray array, jsize index) {
    BridgeObject *object = objectOf(array, ObjectKind::Array);
    if (object == nullptr) {
        throwNew("java/lang/NullPointerException", "array");
        return nullptr;
    }
    if (index < 0 || static_cast<size_t>(index) >= object->elements.size()) {
        throwNew("java/lang/ArrayIndexOutOfBoundsException", std::to_string(index));
        return nullptr;
    }
    return object;
}

static jobject JNICALL bridgeGetObjectArrayElement(JNIEnv *, jobjectArray array, jsize index) {
    BridgeObject *object = arrayForIndex(array, index);
    return object == nullptr ? nullptr : object->elements[static_cast<size_t>(index)];
}

static void JNICALL bridgeSetObjectArrayElement(JNIEnv *, jobjectArray array, jsize index,
                                                jobject value) {
    BridgeObject *object = arrayForIndex(array, index);
    if (object != nullptr)
        object->elements[static_cast<size_t>(index)] = value;
}

// Natives are Windows code; they have nothing to bind to in a Linux JVM.
static jint JNICALL bridgeRegisterNatives(JNIEnv *, jclass, const JNINativeMethod *, jint) {
    throwNew("java/lang/NoSuchMethodError", "RegisterNatives");
    return JNI_ERR;
}

static jint JNICALL bridgeGetJavaVM(JNIEnv *, JavaVM **vm) {
    if (vm == nullptr)
        return JNI_ERR;
    *vm = &vmInstance;
    return JNI_OK;
}

// ---- the invocation interface ------------------------------------------------

// The Linux JVM has ended by the time main returned, so nothing is left to wait for.
static jint JNICALL bridgeDestroyJavaVM(JavaVM *) {
    vmState = BridgeVmState();
    return JNI_OK;
}

static jint JNICALL bridgeAttachCurrentThread(JavaVM *, void **env, void *) {
    if (env == nullptr)
        return JNI_ERR;
    *env = &envInstance;
    return JNI_OK;
}

static jint JNICALL bridgeDetachCurrentThread(JavaVM *) { return JNI_OK; }

static jint JNICALL bridgeGetEnv(JavaVM *, void **env, jint) {
    if (env == nullptr)
        return JNI_ERR;
    *env = vmState.alive ? &envInstance : nullptr;
    return vmState.alive ? JNI_OK : -2;  // JNI_EDETACHED
}

// ---- slots the launcher never calls ------------------------------------------

void reportUnusedSlot(int slot) {
    std::fprintf(stderr, "bridge jvm.dll: JNI function slot %d is not supported\n", slot);
    std::fflush(stderr);
    std::abort();
}

template <int Slot>
static void JNICALL unusedSlot() {
    reportUnusedSlot(Slot);
}

template <int... Slots>
static void fillUnusedSlots(void **slots, std::integer_sequence<int, Slots...>) {
    ((slots[Slots] = reinterpret_cast<void *>(&unusedSlot<Slots>)), ...);
}

static void buildTables() {
    fillUnusedSlots(reinterpret_cast<void **>(&functionTable),
                    std::make_integer_sequence<int, JNI_FUNCTION_SLOTS>());
    functionTable.GetVersion = bridgeGetVersion;
    functionTable.FindClass = bridgeFindClass;
    functionTable.ExceptionOccurred = bridgeExceptionOccurred;
    functionTable.ExceptionDescribe = bridgeExceptionDescribe;
    functionTable.ExceptionClear = bridgeExceptionClear;
    functionTable.DeleteLocalRef = bridgeDeleteLocalRef;
    functionTable.GetObjectClass = bridgeGetObjectClass;
    functionTable.GetMethodID = bridgeGetMethodID;
    functionTable.CallObjectMethod = bridgeCallObjectMethod;
    functionTable.GetStaticMethodID = bridgeGetStaticMethodID;
    functionTable.CallStaticObjectMethod = bridgeCallStaticObjectMethod;
    functionTable.CallStaticVoidMethod = bridgeCallStaticVoidMethod;
    functionTable.CallStaticVoidMethodV = bridgeCallStaticVoidMethodV;
    functionTable.NewString = bridgeNewString;
    functionTable.GetStringLength = bridgeGetStringLength;
    functionTable.GetStringChars = bridgeGetStringChars;
    functionTable.ReleaseStringChars = bridgeReleaseStringChars;
    functionTable.NewStringUTF = bridgeNewStringUTF;
    functionTable.GetStringUTFLength = bridgeGetStringUTFLength;
    functionTable.GetStringUTFChars = bridgeGetStringUTFChars;
    functionTable.ReleaseStringUTFChars = bridgeReleaseStringUTFChars;
    functionTable.GetArrayLength = bridgeGetArrayLength;
    functionTable.NewObjectArray = bridgeNewObjectArray;
    functionTable.GetObjectArrayElement = bridgeGetObjectArrayElement;
    functionTable.SetObjectArrayElement = bridgeSetObjectArrayElement;
    functionTable.RegisterNatives = bridgeRegisterNatives;
    functionTable.GetJavaVM = bridgeGetJavaVM;
    functionTable.ExceptionCheck = bridgeExceptionCheck;
    invokeTable = JNIInvokeInterface_();
    invokeTable.DestroyJavaVM = bridgeDestroyJavaVM;
    invokeTable.AttachCurrentThread = bridgeAttachCurrentThread;
    invokeTable.DetachCurrentThread = bridgeDetachCurrentThread;
    invokeTable.GetEnv = bridgeGetEnv;
    invokeTable.AttachCurrentThreadAsDaemon = bridgeAttachCurrentThread;
}

JavaVM *currentBridgeVm() { return vmState.alive ? &vmInstance : nullptr; }

jint createBridgeVm(JavaVM **vm, JNIEnv **env, const std::vector<std::string> &options,
                    const BridgeVmHooks &hooks) {
    if (vm == nullptr || env == nullptr || hooks.runJava == nullptr || hooks.exitProcess == nullptr)
        return JNI_ERR;
    if (vmState.alive)
        return JNI_ERR;
    buildTables();
    vmState = BridgeVmState();
    vmState.alive = true;
    vmState.hooks = hooks;
    vmState.options = options;
    *vm = &vmInstance;
    *env = &envInstance;
    return JNI_OK;
}
