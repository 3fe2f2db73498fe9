// Inside the stand-in jvm.dll: the objects it hands out as JNI references, its
// process-wide state and the pieces its source files share.
#ifndef PELLUX_STANDINS_JVM_STANDIN_H
#define PELLUX_STANDINS_JVM_STANDIN_H

#include <cstdarg>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/jni_min.h"
#include "standins/standin_format.h"

enum class ObjectKind { Class, String, Array, Throwable };

// Every jobject handed out points to one of these. They are never freed, so a
// launcher that uses a reference after DeleteLocalRef is caught, not crashed.
struct StandinObject {
    ObjectKind kind;
    std::string className;  // the class itself, the array's element class, the throwable's class
    std::u16string text;    // a string's characters, a throwable's toString()
    std::vector<StandinObject *> elements;
    bool deleted = false;
};

struct StandinMethod {
    std::string className;
    std::string name;
    std::string signature;
    bool isStatic;
};

// One run: from loading the DLL, or from a creation after an earlier one (a
// new VM after DestroyJavaVM or after a failed creation), to the next run.
struct StandinVm {
    std::wstring recordPath;
    std::map<std::string, std::string> settings;
    std::set<unsigned long> jniThreads;  // the creating thread and attached ones
    unsigned long creatingThread = 0;
    bool creationAttempted = false;
    bool created = false;
    bool destroyed = false;
    StandinObject *pendingException = nullptr;
    std::map<std::string, std::string> properties;
};

extern StandinVm standinVm;
extern JNIEnv standinEnv;
extern JavaVM standinJavaVm;

// Records one event of this run in the record file beside the DLL.
void recordEvent(const char *event, const RecordFields &fields);
// Records why and ends the process with STANDIN_TRAP_EXIT_CODE at once, as a
// real VM would crash on such a call.
[[noreturn]] void stopOnUnexpected(const std::string &why);

// Every JNI function starts here: the environment must be ours, used on a
// thread of the VM, between creation and DestroyJavaVM.
void checkJniCall(JNIEnv *env, const char *function);
// The object behind a reference; stops on a deleted or foreign reference or
// on one of another kind. Null gives null when allowNull, else stops.
StandinObject *objectOf(jobject reference, ObjectKind kind, bool allowNull, const char *function);
StandinObject *anyObjectOf(jobject reference, const char *function);
jobject referenceTo(StandinObject *object);

StandinObject *newClassObject(const std::string &name);
StandinObject *newStringObject(const std::u16string &text);
StandinObject *newArrayObject(const std::string &elementClass, size_t length,
                              StandinObject *initial);
StandinObject *newThrowable(const std::string &className, const std::u16string &text);
// A text for the record: a string's characters, "class <name>",
// "array <class>[<n>]" or "throwable <text>"; nullopt for null.
RecordField describeObject(const StandinObject *object);

// Makes the exception pending and records it.
void throwStandinException(const std::string &className, const std::string &text);

bool settingEnabled(const char *key);
bool isListedSetting(const char *key, const std::string &name);

// A method the stand-in knows, or null; the missingMethods setting hides one.
const StandinMethod *findKnownMethod(const std::string &className, const std::string &name,
                                     const std::string &signature, bool isStatic);
bool isKnownClass(const std::string &name);
const StandinMethod *methodOf(jmethodID id, bool isStatic, const char *function);

// Acts out a static method; the result is a reference or null.
jobject callStaticMethod(jclass clazz, jmethodID id, va_list args, const char *function);

// Fills the function table: typed slots with the stand-in's functions, every
// other slot with a trap that names the slot.
void buildFunctionTable(JNINativeInterface_ &table);

#endif
