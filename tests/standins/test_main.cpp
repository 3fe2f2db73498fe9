// The stand-in tests run in this process; a few cases need a process of their
// own (the stand-in ends it, or reads its standard input), so the program
// re-runs itself in a child role named by its first argument.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child_roles.h"
#include "jvm_dialogue.h"

namespace {

std::vector<std::wstring> wideArguments() {
    std::vector<std::wstring> arguments;
    int count = 0;
    LPWSTR *list = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; list != nullptr && i < count; ++i) arguments.push_back(list[i]);
    if (list != nullptr) LocalFree(list);
    return arguments;
}

std::string narrowAscii(const std::wstring &text) { return std::string(text.begin(), text.end()); }

// --vm-dialogue <jvm.dll> <option>...: a launcher in small; exits 0 after a
// normal main and DestroyJavaVM, 1 after an exception, 2 when creation failed.
int runVmDialogue(const std::vector<std::wstring> &arguments) {
    VmLibrary library;
    if (arguments.size() < 3 || !loadVmLibrary(arguments[2], library)) return 3;
    std::vector<std::string> options;
    for (size_t i = 3; i < arguments.size(); ++i) options.push_back(narrowAscii(arguments[i]));
    int exitCode = 1;
    jint created = runOnVmThread(library, options, 0, [&exitCode](JavaVM *vm, JNIEnv *env) {
        if (callEntryMain(env, PELLUX_ENTRY_CLASS, {u"false", u"app.Main", u"", u"", u"false"})) {
            (*vm)->DestroyJavaVM(vm);
            exitCode = 0;
        }
    });
    return created == JNI_OK ? exitCode : 2;
}

// --vm-call-slot <jvm.dll> <slot>: calls a function table slot the launcher
// never uses; the stand-in is expected to end the process.
int runVmCallSlot(const std::vector<std::wstring> &arguments) {
    VmLibrary library;
    if (arguments.size() != 4 || !loadVmLibrary(arguments[2], library)) return 3;
    size_t slot = std::stoul(arguments[3]);
    runOnVmThread(library, {}, 0, [slot](JavaVM *, JNIEnv *env) {
        typedef void(JNICALL * AnySlot)(JNIEnv *);
        const AnySlot *slots = reinterpret_cast<const AnySlot *>(*env);
        slots[slot](env);
    });
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::wstring> arguments = wideArguments();
    if (arguments.size() > 1 && arguments[1] == CHILD_VM_DIALOGUE) return runVmDialogue(arguments);
    if (arguments.size() > 1 && arguments[1] == CHILD_VM_CALL_SLOT) return runVmCallSlot(arguments);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
