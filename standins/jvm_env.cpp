// Stand-in jvm.dll: the JNI function table. The slots typed in jni_min.h act
// like a VM's (and record what they see); every other slot is a trap, so a
// launcher that calls a function nobody planned for is stopped and named.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>

#include "standins/jvm_standin.h"
#include "standins/standin_protocol.h"

namespace {

const jint JNI_VERSION_10 = 0x000A0000;
const char NATIVE_SIGNATURE[] = "(Ljava/lang/String;)Z";

typedef jboolean(JNICALL *StringPredicateNative)(JNIEnv *env, jclass clazz, jstring text);

std::set<const void *> handedOutChars;
std::set<const void *> handedOutUtfChars;

std::string textOrEmpty(const char *text) { return text == nullptr ? std::string() : text; }

std::string flagText(bool flag) { return flag ? "1" : "0"; }

jint JNICALL getVersion(JNIEnv *env) {
    checkJniCall(env, "GetVersion");
    return JNI_VERSION_10;
}

jclass JNICALL findClass(JNIEnv *env, const char *name) {
    checkJniCall(env, "FindClass");
    if (name == nullptr) stopOnUnexpected("FindClass with a null name");
    bool found = isKnownClass(name) && !isListedSetting(JVM_KEY_MISSING_CLASSES, name);
    recordEvent(EVENT_FIND_CLASS, {std::string(name), flagText(found)});
    if (!found) {
        throwStandinException("java/lang/NoClassDefFoundError", name);
        return nullptr;
    }
    return referenceTo(newClassObject(name));
}

jthrowable JNICALL exceptionOccurred(JNIEnv *env) {
    checkJniCall(env, "ExceptionOccurred");
    StandinObject *pending = standinVm.pendingException;
    recordEvent(EVENT_EXCEPTION_OCCURRED, {describeObject(pending)});
    // Each call gives a new local reference to the same exception.
    return pending == nullptr ? nullptr
                              : referenceTo(newThrowable(pending->className, pending->text));
}

void JNICALL exceptionDescribe(JNIEnv *env) {
    checkJniCall(env, "ExceptionDescribe");
    StandinObject *pending = standinVm.pendingException;
    recordEvent(EVENT_EXCEPTION_DESCRIBE, {describeObject(pending)});
    if (pending == nullptr) return;
    std::string trace = "Exception in thread \"main\" " + utf16ToUtf8(pending->text) +
                        "\r\n\tat standin.Main.main(Main.java)\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), trace.data(), static_cast<DWORD>(trace.size()),
              &written, nullptr);
    standinVm.pendingException = nullptr;
}

void JNICALL exceptionClear(JNIEnv *env) {
    checkJniCall(env, "ExceptionClear");
    recordEvent(EVENT_EXCEPTION_CLEAR, {describeObject(standinVm.pendingException)});
    standinVm.pendingException = nullptr;
}

jboolean JNICALL exceptionCheck(JNIEnv *env) {
    checkJniCall(env, "ExceptionCheck");
    return standinVm.pendingException != nullptr ? JNI_TRUE : JNI_FALSE;
}

void JNICALL deleteLocalRef(JNIEnv *env, jobject reference) {
    checkJniCall(env, "DeleteLocalRef");
    StandinObject *object = anyObjectOf(reference, "DeleteLocalRef");
    recordEvent(EVENT_DELETE_LOCAL_REF, {describeObject(object)});
    if (object != nullptr) object->deleted = true;
}

jclass JNICALL getObjectClass(JNIEnv *env, jobject reference) {
    checkJniCall(env, "GetObjectClass");
    StandinObject *object = anyObjectOf(reference, "GetObjectClass");
    if (object == nullptr) stopOnUnexpected("GetObjectClass with a null object");
    bool isClass = object->kind == ObjectKind::Class;
    return referenceTo(newClassObject(isClass ? "java/lang/Class" : object->className));
}

jmethodID lookUpMethod(jclass clazz, const char *name, const char *signature, bool isStatic,
                       const char *function) {
    StandinObject *owner = objectOf(clazz, ObjectKind::Class, false, function);
    if (name == nullptr || signature == nullptr) {
        stopOnUnexpected(std::string(function) + " with a null name or signature");
    }
    const StandinMethod *method = findKnownMethod(owner->className, name, signature, isStatic);
    recordEvent(EVENT_GET_METHOD,
                {std::string(isStatic ? "static" : "instance"), owner->className, std::string(name),
                 std::string(signature), flagText(method != nullptr)});
    if (method == nullptr) {
        throwStandinException("java/lang/NoSuchMethodError", name);
        return nullptr;
    }
    return reinterpret_cast<jmethodID>(const_cast<StandinMethod *>(method));
}

jmethodID JNICALL getMethodId(JNIEnv *env, jclass clazz, const char *name, const char *signature) {
    checkJniCall(env, "GetMethodID");
    return lookUpMethod(clazz, name, signature, false, "GetMethodID");
}

jmethodID JNICALL getStaticMethodId(JNIEnv *env, jclass clazz, const char *name,
                                    const char *signature) {
    checkJniCall(env, "GetStaticMethodID");
    return lookUpMethod(clazz, name, signature, true, "GetStaticMethodID");
}

// Only toString() exists among instance methods.
std::u16string toStringOf(const StandinObject &object) {
    switch (object.kind) {
    case ObjectKind::String:
    case ObjectKind::Throwable: return object.text;
    case ObjectKind::Class: return u"class " + utf8ToUtf16(object.className);
    case ObjectKind::Array: return u"[L" + utf8ToUtf16(object.className) + u";@1b6d3586";
    }
    return std::u16string();
}

jobject JNICALL callObjectMethod(JNIEnv *env, jobject reference, jmethodID id, ...) {
    checkJniCall(env, "CallObjectMethod");
    StandinObject *object = anyObjectOf(reference, "CallObjectMethod");
    if (object == nullptr) stopOnUnexpected("CallObjectMethod on a null object");
    const StandinMethod *method = methodOf(id, false, "CallObjectMethod");
    StandinObject *result = newStringObject(toStringOf(*object));
    recordEvent(EVENT_CALL_OBJECT, {object->className, method->name, describeObject(result)});
    return referenceTo(result);
}

jobject JNICALL callStaticObjectMethod(JNIEnv *env, jclass clazz, jmethodID id, ...) {
    checkJniCall(env, "CallStaticObjectMethod");
    va_list args;
    va_start(args, id);
    jobject result = callStaticMethod(clazz, id, args, "CallStaticObjectMethod");
    va_end(args);
    return result;
}

void JNICALL callStaticVoidMethod(JNIEnv *env, jclass clazz, jmethodID id, ...) {
    checkJniCall(env, "CallStaticVoidMethod");
    va_list args;
    va_start(args, id);
    callStaticMethod(clazz, id, args, "CallStaticVoidMethod");
    va_end(args);
}

void JNICALL callStaticVoidMethodV(JNIEnv *env, jclass clazz, jmethodID id, va_list args) {
    checkJniCall(env, "CallStaticVoidMethodV");
    callStaticMethod(clazz, id, args, "CallStaticVoidMethodV");
}

jstring JNICALL newString(JNIEnv *env, const jchar *unicode, jsize length) {
    checkJniCall(env, "NewString");
    if (length < 0 || (unicode == nullptr && length > 0)) {
        stopOnUnexpected("NewString with a negative length or null characters");
    }
    std::u16string text(reinterpret_cast<const char16_t *>(unicode), static_cast<size_t>(length));
    bool fails = settingEnabled(JVM_KEY_FAIL_NEW_STRING);
    recordEvent(EVENT_NEW_STRING, {utf16ToUtf8(text), flagText(!fails)});
    if (fails) {
        throwStandinException("java/lang/OutOfMemoryError", "Java heap space");
        return nullptr;
    }
    return referenceTo(newStringObject(text));
}

jstring JNICALL newStringUtf(JNIEnv *env, const char *utf) {
    checkJniCall(env, "NewStringUTF");
    if (utf == nullptr) {
        recordEvent(EVENT_NEW_STRING_UTF, {std::nullopt});
        return nullptr;
    }
    recordEvent(EVENT_NEW_STRING_UTF, {std::string(utf)});
    return referenceTo(newStringObject(utf8ToUtf16(utf)));
}

jsize JNICALL getStringLength(JNIEnv *env, jstring reference) {
    checkJniCall(env, "GetStringLength");
    return static_cast<jsize>(
        objectOf(reference, ObjectKind::String, false, "GetStringLength")->text.size());
}

jsize JNICALL getStringUtfLength(JNIEnv *env, jstring reference) {
    checkJniCall(env, "GetStringUTFLength");
    StandinObject *text = objectOf(reference, ObjectKind::String, false, "GetStringUTFLength");
    return static_cast<jsize>(utf16ToModifiedUtf8(text->text).size());
}

// A copy of the bytes that the caller gives back through a Release function.
void *handOutCopy(std::set<const void *> &handedOut, const void *bytes, size_t size) {
    void *copy = malloc(size);
    if (copy == nullptr) return nullptr;
    memcpy(copy, bytes, size);
    handedOut.insert(copy);
    return copy;
}

void releaseCopy(JNIEnv *env, jstring reference, const void *chars,
                 std::set<const void *> &handedOut, const char *function) {
    checkJniCall(env, function);
    StandinObject *text = objectOf(reference, ObjectKind::String, false, function);
    if (handedOut.erase(chars) == 0) {
        stopOnUnexpected(std::string(function) + " with characters the VM never handed out");
    }
    recordEvent(EVENT_STRING_CHARS, {std::string(function), utf16ToUtf8(text->text)});
    free(const_cast<void *>(chars));
}

// The copy is not terminated after its length, as JNI promises nothing there:
// a reader that runs past the length meets U+FFFD before a terminator.
const jchar *JNICALL getStringChars(JNIEnv *env, jstring reference, jboolean *isCopy) {
    checkJniCall(env, "GetStringChars");
    StandinObject *text = objectOf(reference, ObjectKind::String, false, "GetStringChars");
    std::u16string copy = text->text + u'\xFFFD' + u'\0';
    void *chars = handOutCopy(handedOutChars, copy.data(), copy.size() * sizeof(char16_t));
    if (isCopy != nullptr) *isCopy = JNI_TRUE;
    recordEvent(EVENT_STRING_CHARS, {std::string("GetStringChars"), utf16ToUtf8(text->text)});
    return static_cast<const jchar *>(chars);
}

void JNICALL releaseStringChars(JNIEnv *env, jstring reference, const jchar *chars) {
    releaseCopy(env, reference, chars, handedOutChars, "ReleaseStringChars");
}

const char *JNICALL getStringUtfChars(JNIEnv *env, jstring reference, jboolean *isCopy) {
    checkJniCall(env, "GetStringUTFChars");
    StandinObject *text = objectOf(reference, ObjectKind::String, false, "GetStringUTFChars");
    std::string utf = utf16ToModifiedUtf8(text->text);
    void *chars = handOutCopy(handedOutUtfChars, utf.c_str(), utf.size() + 1);
    if (isCopy != nullptr) *isCopy = JNI_TRUE;
    recordEvent(EVENT_STRING_CHARS, {std::string("GetStringUTFChars"), utf16ToUtf8(text->text)});
    return static_cast<const char *>(chars);
}

void JNICALL releaseStringUtfChars(JNIEnv *env, jstring reference, const char *chars) {
    releaseCopy(env, reference, chars, handedOutUtfChars, "ReleaseStringUTFChars");
}

jsize JNICALL getArrayLength(JNIEnv *env, jarray reference) {
    checkJniCall(env, "GetArrayLength");
    return static_cast<jsize>(
        objectOf(reference, ObjectKind::Array, false, "GetArrayLength")->elements.size());
}

jobjectArray JNICALL newObjectArray(JNIEnv *env, jsize length, jclass clazz, jobject init) {
    checkJniCall(env, "NewObjectArray");
    StandinObject *elementClass = objectOf(clazz, ObjectKind::Class, false, "NewObjectArray");
    StandinObject *initial = anyObjectOf(init, "NewObjectArray");
    bool fails = settingEnabled(JVM_KEY_FAIL_NEW_OBJECT_ARRAY) || length < 0;
    recordEvent(EVENT_NEW_OBJECT_ARRAY,
                {std::to_string(length), elementClass->className, flagText(!fails)});
    if (length < 0) {
        throwStandinException("java/lang/NegativeArraySizeException", std::to_string(length));
        return nullptr;
    }
    if (fails) {
        throwStandinException("java/lang/OutOfMemoryError", "Java heap space");
        return nullptr;
    }
    return referenceTo(
        newArrayObject(elementClass->className, static_cast<size_t>(length), initial));
}

bool isIndexInside(const StandinObject &array, jsize index) {
    return index >= 0 && static_cast<size_t>(index) < array.elements.size();
}

jobject JNICALL getObjectArrayElement(JNIEnv *env, jobjectArray reference, jsize index) {
    checkJniCall(env, "GetObjectArrayElement");
    StandinObject *array = objectOf(reference, ObjectKind::Array, false, "GetObjectArrayElement");
    if (!isIndexInside(*array, index)) {
        throwStandinException("java/lang/ArrayIndexOutOfBoundsException", std::to_string(index));
        return nullptr;
    }
    return referenceTo(array->elements[static_cast<size_t>(index)]);
}

void JNICALL setObjectArrayElement(JNIEnv *env, jobjectArray reference, jsize index,
                                   jobject value) {
    checkJniCall(env, "SetObjectArrayElement");
    StandinObject *array = objectOf(reference, ObjectKind::Array, false, "SetObjectArrayElement");
    StandinObject *element = anyObjectOf(value, "SetObjectArrayElement");
    recordEvent(EVENT_SET_ELEMENT, {std::to_string(index), describeObject(element)});
    if (!isIndexInside(*array, index)) {
        throwStandinException("java/lang/ArrayIndexOutOfBoundsException", std::to_string(index));
        return;
    }
    if (element != nullptr && array->className == "java/lang/String" &&
        element->kind != ObjectKind::String) {
        throwStandinException("java/lang/ArrayStoreException", element->className);
        return;
    }
    array->elements[static_cast<size_t>(index)] = element;
}

// Calls the first native once when asked to, as the Java side would when it
// starts using the helper library.
void callFirstNative(JNIEnv *env, jclass clazz, const JNINativeMethod &method) {
    if (textOrEmpty(method.signature) != NATIVE_SIGNATURE || method.fnPtr == nullptr) {
        recordEvent(EVENT_NATIVE_RESULT, {std::string("skipped")});
        return;
    }
    std::string argument = settingText(standinVm.settings, JVM_KEY_NATIVE_ARGUMENT, "standin");
    jstring text = referenceTo(newStringObject(utf8ToUtf16(argument)));
    StringPredicateNative native = reinterpret_cast<StringPredicateNative>(method.fnPtr);
    jboolean result = native(env, clazz, text);
    recordEvent(EVENT_NATIVE_RESULT, {std::to_string(static_cast<int>(result))});
}

jint JNICALL registerNatives(JNIEnv *env, jclass clazz, const JNINativeMethod *methods,
                             jint count) {
    checkJniCall(env, "RegisterNatives");
    StandinObject *owner = objectOf(clazz, ObjectKind::Class, false, "RegisterNatives");
    recordEvent(EVENT_REGISTER_NATIVES, {owner->className, std::to_string(count)});
    if (count < 0 || (count > 0 && methods == nullptr)) return JNI_ERR;
    for (jint i = 0; i < count; ++i) {
        recordEvent(EVENT_NATIVE,
                    {textOrEmpty(methods[i].name), textOrEmpty(methods[i].signature)});
    }
    if (count > 0 && settingEnabled(JVM_KEY_CALL_NATIVE)) callFirstNative(env, clazz, methods[0]);
    return static_cast<jint>(settingNumber(standinVm.settings, JVM_KEY_REGISTER_RESULT, JNI_OK));
}

jint JNICALL getJavaVm(JNIEnv *env, JavaVM **vm) {
    checkJniCall(env, "GetJavaVM");
    if (vm == nullptr) return JNI_ERR;
    *vm = &standinJavaVm;
    return JNI_OK;
}

typedef void(JNICALL *SlotTrap)(JNIEnv *env);

template <size_t Slot>
void JNICALL unexpectedSlot(JNIEnv *) {
    stopOnUnexpected("unexpected JNI slot " + std::to_string(Slot));
}

template <size_t... Slots>
void fillWithTraps(JNINativeInterface_ &table, std::index_sequence<Slots...>) {
    const SlotTrap traps[] = {&unexpectedSlot<Slots>...};
    static_assert(sizeof traps == sizeof table, "one trap per slot");
    memcpy(&table, traps, sizeof table);
}

}  // namespace

void buildFunctionTable(JNINativeInterface_ &table) {
    fillWithTraps(table, std::make_index_sequence<JNI_FUNCTION_SLOTS>());
    table.GetVersion = &getVersion;
    table.FindClass = &findClass;
    table.ExceptionOccurred = &exceptionOccurred;
    table.ExceptionDescribe = &exceptionDescribe;
    table.ExceptionClear = &exceptionClear;
    table.DeleteLocalRef = &deleteLocalRef;
    table.GetObjectClass = &getObjectClass;
    table.GetMethodID = &getMethodId;
    table.CallObjectMethod = &callObjectMethod;
    table.GetStaticMethodID = &getStaticMethodId;
    table.CallStaticObjectMethod = &callStaticObjectMethod;
    table.CallStaticVoidMethod = &callStaticVoidMethod;
    table.CallStaticVoidMethodV = &callStaticVoidMethodV;
    table.NewString = &newString;
    table.GetStringLength = &getStringLength;
    table.GetStringChars = &getStringChars;
    table.ReleaseStringChars = &releaseStringChars;
    table.NewStringUTF = &newStringUtf;
    table.GetStringUTFLength = &getStringUtfLength;
    table.GetStringUTFChars = &getStringUtfChars;
    table.ReleaseStringUTFChars = &releaseStringUtfChars;
    table.GetArrayLength = &getArrayLength;
    table.NewObjectArray = &newObjectArray;
    table.GetObjectArrayElement = &getObjectArrayElement;
    table.SetObjectArrayElement = &setObjectArrayElement;
    table.RegisterNatives = &registerNatives;
    table.GetJavaVM = &getJavaVm;
    table.ExceptionCheck = &exceptionCheck;
}
