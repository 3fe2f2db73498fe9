// Stand-in jvm.dll: static method calls. Every call is recorded with its
// arguments, read from the argument list as the method's signature says; the
// entry class's main then acts out the configured case.
#include <windows.h>

#include <cstdio>

#include "standins/jvm_standin.h"
#include "standins/standin_protocol.h"

namespace {

// The text of one primitive or reference argument.
RecordField readArgument(char type, va_list &args, std::vector<StandinObject *> &objects,
                         const char *function) {
    switch (type) {
    case 'Z': return std::string(va_arg(args, int) != 0 ? "true" : "false");
    case 'B':
    case 'C':
    case 'S':
    case 'I': return std::to_string(va_arg(args, int));
    case 'J': return std::to_string(va_arg(args, long long));
    case 'F':
    case 'D': {
        char text[40];
        snprintf(text, sizeof text, "%g", va_arg(args, double));
        return std::string(text);
    }
    default: {
        StandinObject *object = anyObjectOf(va_arg(args, jobject), function);
        objects.push_back(object);
        return describeObject(object);
    }
    }
}

// Appends a field per parameter of the signature; the reference arguments
// also go to objects, in order.
void readArguments(const std::string &signature, va_list args, RecordFields &fields,
                   std::vector<StandinObject *> &objects, const char *function) {
    size_t i = 1;
    while (i < signature.size() && signature[i] != ')') {
        char type = signature[i];
        size_t end = i + 1;
        if (type == '[' || type == 'L') {
            end = signature.find_first_not_of('[', i);
            if (end != std::string::npos && signature[end] == 'L') end = signature.find(';', end);
            if (end == std::string::npos) stopOnUnexpected("malformed signature " + signature);
            type = 'L';
            ++end;
        }
        fields.push_back(readArgument(type, args, objects, function));
        i = end;
    }
}

// Reads lines to a line "0" or the end of input, as the Java side of a
// service worker does.
const char *readStandardInputUntilStopLine() {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string line;
    char c = 0;
    DWORD got = 0;
    bool more = true;
    while (more) {
        more = ReadFile(input, &c, 1, &got, nullptr) && got == 1;
        if (more && c != '\n') {
            line += c;
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!more && line.empty()) break;
        recordEvent(EVENT_STDIN_LINE, {line});
        if (line == "0") return STDIN_END_STOP_LINE;
        line.clear();
    }
    return STDIN_END_EOF;
}

[[noreturn]] void exitLikeSystemExit(int code) {
    recordEvent(EVENT_EXIT, {std::to_string(code)});
    ExitProcess(static_cast<UINT>(code));
}

void recordMainArguments(const StandinObject *arguments) {
    RecordFields elements;
    if (arguments == nullptr) {
        elements.push_back(std::nullopt);
    } else if (arguments->kind != ObjectKind::Array) {
        stopOnUnexpected("main called with a " + *describeObject(arguments));
    } else {
        for (const StandinObject *element : arguments->elements) {
            elements.push_back(describeObject(element));
        }
    }
    recordEvent(EVENT_MAIN_ARGS, elements);
}

void actOutMain(const StandinObject *arguments) {
    recordMainArguments(arguments);
    std::string action = settingText(standinVm.settings, JVM_KEY_MAIN, MAIN_ACTION_RETURN);
    recordEvent(EVENT_MAIN_ENTER, {action});
    if (action == MAIN_ACTION_THROW) {
        throwStandinException(
            settingText(standinVm.settings, JVM_KEY_THROW_CLASS, "java/lang/IllegalStateException"),
            settingText(standinVm.settings, JVM_KEY_THROW_TEXT, "standin failure"));
    } else if (action == MAIN_ACTION_EXIT) {
        exitLikeSystemExit(
            static_cast<int>(settingNumber(standinVm.settings, JVM_KEY_EXIT_CODE, 0)));
    } else if (action == MAIN_ACTION_STDIN || action == MAIN_ACTION_STDIN_EXIT) {
        recordEvent(EVENT_STDIN_END, {std::string(readStandardInputUntilStopLine())});
        if (action == MAIN_ACTION_STDIN_EXIT) exitLikeSystemExit(0);
    } else if (action == MAIN_ACTION_SLEEP) {
        Sleep(static_cast<DWORD>(settingNumber(standinVm.settings, JVM_KEY_SLEEP_MS, 0)));
    } else if (action != MAIN_ACTION_RETURN) {
        stopOnUnexpected("unknown main action " + action);
    }
    recordEvent(EVENT_MAIN_LEAVE, {});
}

std::string keyText(const StandinObject *key, const char *function) {
    if (key == nullptr || key->kind != ObjectKind::String) {
        stopOnUnexpected(std::string(function) + " of System with a key that is not a string");
    }
    return utf16ToUtf8(key->text);
}

// System.setProperty and System.getProperty give the earlier value.
jobject propertyValue(const std::string &key) {
    auto found = standinVm.properties.find(key);
    if (found == standinVm.properties.end()) return nullptr;
    return referenceTo(newStringObject(utf8ToUtf16(found->second)));
}

jobject setProperty(const std::vector<StandinObject *> &arguments) {
    std::string key = keyText(arguments[0], "setProperty");
    if (arguments[1] == nullptr || arguments[1]->kind != ObjectKind::String) {
        throwStandinException("java/lang/NullPointerException", "value");
        return nullptr;
    }
    jobject earlier = propertyValue(key);
    standinVm.properties[key] = utf16ToUtf8(arguments[1]->text);
    return earlier;
}

}  // namespace

jobject callStaticMethod(jclass clazz, jmethodID id, va_list args, const char *function) {
    objectOf(clazz, ObjectKind::Class, false, function);
    const StandinMethod *method = methodOf(id, true, function);
    RecordFields fields = {method->className, method->name, method->signature};
    std::vector<StandinObject *> objects;
    readArguments(method->signature, args, fields, objects, function);
    recordEvent(EVENT_CALL_STATIC, fields);
    if (method->name == "main") {
        actOutMain(objects[0]);
    } else if (method->name == "setProperty") {
        return setProperty(objects);
    } else if (method->name == "getProperty") {
        return propertyValue(keyText(objects[0], "getProperty"));
    }
    return nullptr;
}
