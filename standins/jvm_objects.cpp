// Stand-in jvm.dll: the objects behind JNI references, the classes and
// methods it knows, and pending exceptions.
#include <set>

#include "standins/jvm_standin.h"
#include "standins/standin_protocol.h"

namespace {

const char SPLASH_SIGNATURE[] =
    "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V";

const char *const KNOWN_CLASSES[] = {
    "com/zanthor/runtime/launcher/WinLauncher",
    "com/pellux/runtime/WinLauncher",
    "com/zanthor/runtime/installer/platform/win32/Common",
    "java/lang/String",
    "java/lang/System",
    "java/lang/Object",
    "java/lang/Throwable",
};

// An instance method listed for "*" exists in every class.
const StandinMethod KNOWN_METHODS[] = {
    {"com/zanthor/runtime/launcher/WinLauncher", "main", "([Ljava/lang/String;)V", true},
    {"com/pellux/runtime/WinLauncher", "main", "([Ljava/lang/String;)V", true},
    {"com/pellux/runtime/WinLauncher", "initAwtSplashConfig", SPLASH_SIGNATURE, true},
    {"com/zanthor/runtime/installer/platform/win32/Common", "initFromLauncher", "(Z)V", true},
    {"java/lang/System", "setProperty", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;",
     true},
    {"java/lang/System", "getProperty", "(Ljava/lang/String;)Ljava/lang/String;", true},
    {"*", "toString", "()Ljava/lang/String;", false},
};

std::set<const StandinObject *> handedOutObjects;
// Method ids stay valid for the life of the process, as a real VM's do.
std::map<std::string, StandinMethod> handedOutMethods;

StandinObject *keep(StandinObject *object) {
    handedOutObjects.insert(object);
    return object;
}

const char *kindName(ObjectKind kind) {
    switch (kind) {
    case ObjectKind::Class: return "class";
    case ObjectKind::String: return "string";
    case ObjectKind::Array: return "array";
    case ObjectKind::Throwable: return "throwable";
    }
    return "object";
}

}  // namespace

StandinObject *anyObjectOf(jobject reference, const char *function) {
    StandinObject *object = reinterpret_cast<StandinObject *>(reference);
    if (object == nullptr) return nullptr;
    if (handedOutObjects.count(object) == 0) {
        stopOnUnexpected(std::string(function) + " with a reference the VM never handed out");
    }
    if (object->deleted) {
        stopOnUnexpected(std::string(function) + " with a reference after DeleteLocalRef");
    }
    return object;
}

StandinObject *objectOf(jobject reference, ObjectKind kind, bool allowNull, const char *function) {
    StandinObject *object = anyObjectOf(reference, function);
    if (object == nullptr) {
        if (!allowNull) stopOnUnexpected(std::string(function) + " with a null " + kindName(kind));
        return nullptr;
    }
    if (object->kind != kind) {
        stopOnUnexpected(std::string(function) + " with a " + kindName(object->kind) + " where a " +
                         kindName(kind) + " belongs");
    }
    return object;
}

jobject referenceTo(StandinObject *object) { return reinterpret_cast<jobject>(object); }

StandinObject *newClassObject(const std::string &name) {
    StandinObject *object = new StandinObject;
    object->kind = ObjectKind::Class;
    object->className = name;
    return keep(object);
}

StandinObject *newStringObject(const std::u16string &text) {
    StandinObject *object = new StandinObject;
    object->kind = ObjectKind::String;
    object->className = "java/lang/String";
    object->text = text;
    return keep(object);
}

StandinObject *newArrayObject(const std::string &elementClass, size_t length,
                              StandinObject *initial) {
    StandinObject *object = new StandinObject;
    object->kind = ObjectKind::Array;
    object->className = elementClass;
    object->elements.assign(length, initial);
    return keep(object);
}

StandinObject *newThrowable(const std::string &className, const std::u16string &text) {
    StandinObject *object = new StandinObject;
    object->kind = ObjectKind::Throwable;
    object->className = className;
    object->text = text;
    return keep(object);
}

RecordField describeObject(const StandinObject *object) {
    if (object == nullptr) return std::nullopt;
    switch (object->kind) {
    case ObjectKind::String: return utf16ToUtf8(object->text);
    case ObjectKind::Class: return "class " + object->className;
    case ObjectKind::Array:
        return "array " + object->className + "[" + std::to_string(object->elements.size()) + "]";
    case ObjectKind::Throwable: return "throwable " + utf16ToUtf8(object->text);
    }
    return std::nullopt;
}

void throwStandinException(const std::string &className, const std::string &text) {
    std::string dotted = className;
    for (char &c : dotted) {
        if (c == '/') c = '.';
    }
    std::string shown = text.empty() ? dotted : dotted + ": " + text;
    standinVm.pendingException = newThrowable(className, utf8ToUtf16(shown));
    recordEvent(EVENT_THROW, {className, shown});
}

bool isKnownClass(const std::string &name) {
    if (name == settingText(standinVm.settings, JVM_KEY_THROW_CLASS, "")) return true;
    for (const char *known : KNOWN_CLASSES) {
        if (name == known) return true;
    }
    return false;
}

const StandinMethod *findKnownMethod(const std::string &className, const std::string &name,
                                     const std::string &signature, bool isStatic) {
    if (isListedSetting(JVM_KEY_MISSING_METHODS, name)) return nullptr;
    for (const StandinMethod &known : KNOWN_METHODS) {
        bool classMatches = known.className == className || known.className == "*";
        if (classMatches && known.name == name && known.signature == signature &&
            known.isStatic == isStatic) {
            std::string key = className + "." + name + signature + (isStatic ? "S" : "I");
            StandinMethod &method = handedOutMethods[key];
            method = StandinMethod{className, name, signature, isStatic};
            return &method;
        }
    }
    return nullptr;
}

const StandinMethod *methodOf(jmethodID id, bool isStatic, const char *function) {
    const StandinMethod *method = reinterpret_cast<const StandinMethod *>(id);
    bool known = false;
    for (const auto &entry : handedOutMethods) known = known || &entry.second == method;
    if (!known)
        stopOnUnexpected(std::string(function) + " with a method id the VM never handed out");
    if (method->isStatic != isStatic) {
        stopOnUnexpected(std::string(function) + " with the id of " +
                         (method->isStatic ? "a static" : "an instance") + " method " +
                         method->name);
    }
    return method;
}
