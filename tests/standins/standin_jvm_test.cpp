// The stand-in jvm.dll acts out the launcher's JNI dialogue and records it.
#include <gtest/gtest.h>

#include "child_roles.h"
#include "jvm_dialogue.h"
#include "standins/run_process.h"
#include "standins/runtime_home.h"
#include "standins/standin_protocol.h"
#include "standins/standin_record.h"

namespace {

const char ZANTHOR_ENTRY_CLASS[] = "com/zanthor/runtime/launcher/WinLauncher";
const char COMMON_CLASS[] = "com/zanthor/runtime/installer/platform/win32/Common";
const char SPLASH_SIGNATURE[] =
    "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V";
const std::vector<std::u16string> LAUNCHER_PARAMETERS = {u"false", u"app.Main", u"", u"", u"false"};

class StandinJvm : public testing::Test {
protected:
    void SetUp() override { directory = createScratchDirectory(L"standin-jvm"); }
    void TearDown() override {
        unloadVmLibrary(library);
        removeDirectoryTree(directory);
    }

    void layOut(const std::string &jvmSettings) {
        RuntimeHomeLayout layout;
        layout.jvmSettings = jvmSettings;
        std::string error;
        ASSERT_TRUE(layOutRuntimeHome(directory, layout, home, error)) << error;
    }

    void layOutAndLoad(const std::string &jvmSettings) {
        ASSERT_NO_FATAL_FAILURE(layOut(jvmSettings));
        ASSERT_TRUE(loadVmLibrary(home.jvmDll, library)) << GetLastError();
    }

    ProcessResult runDialogueChild(const std::wstring &options, const std::string &input) {
        ProcessRequest request;
        request.commandLine = selfCommandLine(std::wstring(CHILD_VM_DIALOGUE) + L" \"" +
                                              home.jvmDll + L"\" " + options);
        request.standardInput = input;
        return runProcess(request);
    }

    StandinRecord record() const { return readStandinRecord(home.jvmRecord); }

    std::wstring directory;
    RuntimeHome home;
    VmLibrary library;
};

void destroyAfterMain(JavaVM *vm, JNIEnv *env) {
    EXPECT_TRUE(callEntryMain(env, PELLUX_ENTRY_CLASS, LAUNCHER_PARAMETERS));
    EXPECT_EQ(JNI_OK, (*vm)->DestroyJavaVM(vm));
}

TEST_F(StandinJvm, records_init_args_in_order_and_the_creating_threads_stack_reserve) {
    ASSERT_NO_FATAL_FAILURE(layOutAndLoad(""));
    std::vector<std::string> options = {"-Dpellux.semaphoreName=Local\\c:_app_app.exe0", "-Xss4m",
                                        "-Djava.class.path=a b.jar;c.jar", "tab\there"};
    ASSERT_EQ(JNI_OK, runOnVmThread(library, options, 4 << 20, destroyAfterMain));

    ASSERT_EQ(1u, readStandinRecords(home.jvmRecord).size()) << "loading and creating are one run";
    StandinRecord vm = record();
    ASSERT_TRUE(vm.present);
    EXPECT_TRUE(vm.loaded);
    EXPECT_EQ(GetCurrentProcessId(), vm.processId);
    EXPECT_EQ(0x00010002u, vm.jniVersion);
    EXPECT_TRUE(vm.ignoreUnrecognized);
    EXPECT_EQ(options, vm.options);
    EXPECT_EQ(4u << 20, vm.stackReserve);
    EXPECT_EQ(0, vm.createResult);
    EXPECT_TRUE(vm.destroyed);
    EXPECT_TRUE(vm.destroyedOnCreatingThread);
    EXPECT_TRUE(vm.traps.empty());
}

TEST_F(StandinJvm, main_receives_its_parameters_in_order_and_returns) {
    ASSERT_NO_FATAL_FAILURE(layOutAndLoad(""));
    std::vector<std::u16string> parameters = {u"false",
                                              u"/app.module/com.example.Main",
                                              u"",
                                              u"C:\\logs\\out \u00fc.log",
                                              u"false",
                                              u"Svc",
                                              u"\u20ac\U0001D11E"};
    VmBody runMain = [&parameters](JavaVM *vm, JNIEnv *env) {
        EXPECT_TRUE(callEntryMain(env, ZANTHOR_ENTRY_CLASS, parameters));
        (*vm)->DestroyJavaVM(vm);
    };
    ASSERT_EQ(JNI_OK, runOnVmThread(library, {}, 0, runMain));

    StandinRecord vm = record();
    EXPECT_TRUE(vm.mainCalled);
    std::vector<std::string> expected = {
        "false", "/app.module/com.example.Main", "", "C:\\logs\\out \xC3\xBC.log", "false",
        "Svc",   "\xE2\x82\xAC\xF0\x9D\x84\x9E"};
    EXPECT_EQ(expected, vm.mainArguments);
    EXPECT_EQ(MAIN_ACTION_RETURN, vm.mainAction);
    EXPECT_TRUE(vm.mainReturned);
    EXPECT_EQ(1, vm.exceptionOccurredCalls);
    EXPECT_TRUE(vm.exceptionsThrown.empty());
    ASSERT_EQ(2u, vm.classLookups.size());
    EXPECT_EQ(ZANTHOR_ENTRY_CLASS, vm.classLookups[0].name);
    EXPECT_EQ("java/lang/String", vm.classLookups[1].name);
}

// GetStringChars of the throwable's toString(), by its length.
std::u16string exceptionChars(JNIEnv *env, jthrowable thrown) {
    jclass clazz = (*env)->GetObjectClass(env, thrown);
    jmethodID toString = (*env)->GetMethodID(env, clazz, "toString", "()Ljava/lang/String;");
    jstring string = (*env)->CallObjectMethod(env, thrown, toString);
    const jchar *units = (*env)->GetStringChars(env, string, nullptr);
    std::u16string chars(reinterpret_cast<const char16_t *>(units),
                         static_cast<size_t>((*env)->GetStringLength(env, string)));
    (*env)->ReleaseStringChars(env, string, units);
    return chars;
}

TEST_F(StandinJvm, main_that_throws_leaves_the_configured_exception_pending) {
    ASSERT_NO_FATAL_FAILURE(layOutAndLoad("main=throw\nthrowText=config \\\"broken\\\"\n"));
    std::string text;
    std::u16string chars;
    VmBody runMain = [&](JavaVM *, JNIEnv *env) {
        EXPECT_FALSE(callEntryMain(env, PELLUX_ENTRY_CLASS, LAUNCHER_PARAMETERS));
        jthrowable thrown = (*env)->ExceptionOccurred(env);
        ASSERT_NE(nullptr, thrown);
        text = javaToString(env, thrown);
        chars = exceptionChars(env, thrown);
        (*env)->ExceptionDescribe(env);
        EXPECT_EQ(JNI_FALSE, (*env)->ExceptionCheck(env));
    };
    ASSERT_EQ(JNI_OK, runOnVmThread(library, {}, 0, runMain));

    EXPECT_EQ("java.lang.IllegalStateException: config \"broken\"", text);
    EXPECT_EQ(u"java.lang.IllegalStateException: config \"broken\"", chars);
    StandinRecord vm = record();
    EXPECT_EQ(1, vm.exceptionDescribeCalls);
    EXPECT_EQ(0, vm.unreleasedStringChars);
    EXPECT_FALSE(vm.destroyed);
}

TEST_F(StandinJvm, failing_creation_returns_the_configured_code_after_recording_the_options) {
    ASSERT_NO_FATAL_FAILURE(layOutAndLoad("createResult=-4\n"));
    bool bodyRan = false;
    EXPECT_EQ(-4, runOnVmThread(library, {"-Xrs"}, 0,
                                [&bodyRan](JavaVM *, JNIEnv *) { bodyRan = true; }));
    EXPECT_FALSE(bodyRan);
    StandinRecord vm = record();
    EXPECT_EQ(-4, vm.createResult);
    EXPECT_EQ(std::vector<std::string>{"-Xrs"}, vm.options);
}

// Each case is one VM of the same DLL; after DestroyJavaVM the stand-in
// starts a new run.
TEST_F(StandinJvm, missing_classes_methods_and_arrays_fail_as_a_vm_fails_them) {
    ASSERT_NO_FATAL_FAILURE(layOutAndLoad("main=throw\n"));
    auto expectPending = [](JNIEnv *env, const std::string &expected) {
        jthrowable thrown = (*env)->ExceptionOccurred(env);
        ASSERT_NE(nullptr, thrown);
        EXPECT_EQ(expected, javaToString(env, thrown));
        (*env)->ExceptionClear(env);
    };
    VmBody findMissingClass = [&](JavaVM *vm, JNIEnv *env) {
        EXPECT_EQ(nullptr, (*env)->FindClass(env, COMMON_CLASS));
        expectPending(env, "java.lang.NoClassDefFoundError: " + std::string(COMMON_CLASS));
        (*vm)->DestroyJavaVM(vm);
    };
    VmBody findMissingMain = [&](JavaVM *vm, JNIEnv *env) {
        jclass launcher = (*env)->FindClass(env, PELLUX_ENTRY_CLASS);
        EXPECT_EQ(nullptr, (*env)->GetStaticMethodID(env, launcher, "main", MAIN_SIGNATURE));
        expectPending(env, "java.lang.NoSuchMethodError: main");
        (*vm)->DestroyJavaVM(vm);
    };
    VmBody runMainWithoutArray = [&](JavaVM *vm, JNIEnv *env) {
        EXPECT_FALSE(callEntryMain(env, PELLUX_ENTRY_CLASS, LAUNCHER_PARAMETERS));
        expectPending(env, "java.lang.OutOfMemoryError: Java heap space");
        (*vm)->DestroyJavaVM(vm);
    };
    std::string missingClasses = "-Dstandin.missingClasses=x/Y," + std::string(COMMON_CLASS);
    ASSERT_EQ(JNI_OK, runOnVmThread(library, {missingClasses}, 0, findMissingClass));
    ASSERT_EQ(JNI_OK,
              runOnVmThread(library, {"-Dstandin.missingMethods=main"}, 0, findMissingMain));
    std::vector<std::string> failingArray = {"-Dstandin.failNewObjectArray=1",
                                             "-Dstandin.main=return"};
    ASSERT_EQ(JNI_OK, runOnVmThread(library, failingArray, 0, runMainWithoutArray));

    std::vector<StandinRecord> runs = readStandinRecords(home.jvmRecord);
    ASSERT_EQ(3u, runs.size());
    EXPECT_FALSE(runs[0].classLookups.at(0).found);
    EXPECT_FALSE(runs[1].methodLookups.at(0).found);
    EXPECT_EQ("return", runs[2].settings["main"]) << "an option overrides the config file";
    EXPECT_FALSE(runs[2].mainCalled);
    for (const StandinRecord &run : runs) EXPECT_TRUE(run.traps.empty());
}

TEST_F(StandinJvm, a_vm_can_refuse_to_load_or_lack_its_entry_point) {
    ASSERT_NO_FATAL_FAILURE(layOut("failLoad=1\n"));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, LoadLibraryW(home.jvmDll.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DLL_INIT_FAILED), GetLastError());
    EXPECT_TRUE(record().refusedToLoad);

    RuntimeHomeLayout layout;
    layout.vmDirectory = L"bin\\client";
    layout.jvmWithoutEntryPoint = true;
    std::string error;
    ASSERT_TRUE(layOutRuntimeHome(directory, layout, home, error)) << error;
    library.module = LoadLibraryW(home.jvmDll.c_str());
    ASSERT_NE(nullptr, library.module);
    EXPECT_EQ(nullptr, GetProcAddress(library.module, "JNI_CreateJavaVM"));
}

jboolean JNICALL recordingNative(JNIEnv *env, jclass, jstring text) {
    const char *chars = (*env)->GetStringUTFChars(env, text, nullptr);
    bool expected = std::string(chars) == "probe";
    (*env)->ReleaseStringUTFChars(env, text, chars);
    return expected ? JNI_TRUE : JNI_FALSE;
}

void initAndRegisterNatives(JNIEnv *env) {
    jclass common = (*env)->FindClass(env, COMMON_CLASS);
    jmethodID init = (*env)->GetStaticMethodID(env, common, "initFromLauncher", "(Z)V");
    (*env)->CallStaticVoidMethod(env, common, init, JNI_TRUE);
    JNINativeMethod natives[] = {
        {const_cast<char *>("checkName"), const_cast<char *>("(Ljava/lang/String;)Z"),
         reinterpret_cast<void *>(&recordingNative)},
        {const_cast<char *>("other"), const_cast<char *>("()V"), nullptr}};
    EXPECT_EQ(JNI_OK, (*env)->RegisterNatives(env, common, natives, 2));
    (*env)->CallStaticVoidMethod(env, common, init, JNI_FALSE);
    (*env)->DeleteLocalRef(env, common);
}

void passSplashSettings(JNIEnv *env) {
    jclass launcher = (*env)->FindClass(env, PELLUX_ENTRY_CLASS);
    jmethodID splash =
        (*env)->GetStaticMethodID(env, launcher, "initAwtSplashConfig", SPLASH_SIGNATURE);
    jstring a = (*env)->NewStringUTF(env, "10111");
    (*env)->CallStaticVoidMethod(env, launcher, splash, JNI_TRUE, JNI_FALSE, a, 1, 2, nullptr, 3, 4,
                                 a, -5, 6, a, 7, 8);
}

void setModuleNameTwice(JNIEnv *env) {
    jclass system = (*env)->FindClass(env, "java/lang/System");
    jmethodID set = (*env)->GetStaticMethodID(
        env, system, "setProperty", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
    jstring key = newJavaString(env, u"pellux.moduleName");
    jstring first = newJavaString(env, u"C:\\a.exe");
    EXPECT_EQ(nullptr, (*env)->CallStaticObjectMethod(env, system, set, key, first));
    jstring second = newJavaString(env, u"C:\\b.exe");
    jobject earlier = (*env)->CallStaticObjectMethod(env, system, set, key, second);
    EXPECT_EQ("C:\\a.exe", javaToString(env, earlier));
}

TEST_F(StandinJvm, helper_steps_record_natives_splash_settings_and_properties) {
    ASSERT_NO_FATAL_FAILURE(layOutAndLoad("callNative=1\nnativeArgument=probe\n"));
    VmBody helperSteps = [](JavaVM *, JNIEnv *env) {
        initAndRegisterNatives(env);
        passSplashSettings(env);
        setModuleNameTwice(env);
    };
    ASSERT_EQ(JNI_OK, runOnVmThread(library, {}, 0, helperSteps));

    StandinRecord vm = record();
    EXPECT_EQ(COMMON_CLASS, vm.nativesClass);
    std::vector<std::pair<std::string, std::string>> natives = {
        {"checkName", "(Ljava/lang/String;)Z"}, {"other", "()V"}};
    EXPECT_EQ(natives, vm.natives);
    EXPECT_EQ(std::vector<std::string>{"1"}, vm.nativeResults);
    EXPECT_EQ((std::vector<bool>{true, false}), vm.initFromLauncherArguments);
    std::vector<std::string> splash = {"true", "false", "10111", "1",  "2", STANDIN_NULL_TEXT,
                                       "3",    "4",     "10111", "-5", "6", "10111",
                                       "7",    "8"};
    EXPECT_EQ(splash, vm.splashArguments);
    std::vector<std::pair<std::string, std::string>> properties = {
        {"pellux.moduleName", "C:\\a.exe"}, {"pellux.moduleName", "C:\\b.exe"}};
    EXPECT_EQ(properties, vm.properties);
    EXPECT_EQ(std::vector<std::string>{"class " + std::string(COMMON_CLASS)}, vm.deletedReferences);
}

TEST_F(StandinJvm, an_unplanned_jni_slot_ends_the_process_and_names_the_slot) {
    ASSERT_NO_FATAL_FAILURE(layOut(""));
    ProcessRequest request;
    request.commandLine =
        selfCommandLine(std::wstring(CHILD_VM_CALL_SLOT) + L" \"" + home.jvmDll + L"\" 5");
    ProcessResult child = runProcess(request);
    ASSERT_TRUE(child.finished);
    EXPECT_EQ(static_cast<unsigned long>(STANDIN_TRAP_EXIT_CODE), child.exitCode);
    EXPECT_EQ(std::vector<std::string>{"unexpected JNI slot 5"}, record().traps);
    EXPECT_NE(std::string::npos, child.standardError.find("unexpected JNI slot 5"));
}

TEST_F(StandinJvm, main_reading_standard_input_stops_at_the_line_0) {
    ASSERT_NO_FATAL_FAILURE(layOut("main=stdin-exit\n"));
    ProcessResult child = runDialogueChild(L"-Xrs", "noise\r\n0\nafter\n");
    ASSERT_TRUE(child.finished);
    EXPECT_EQ(0u, child.exitCode);
    StandinRecord vm = record();
    EXPECT_EQ((std::vector<std::string>{"noise", "0"}), vm.stdinLines);
    EXPECT_EQ(STDIN_END_STOP_LINE, vm.stdinEnd);
    EXPECT_TRUE(vm.exited);
    EXPECT_FALSE(vm.destroyed);
}

TEST_F(StandinJvm, main_reading_standard_input_returns_at_its_end) {
    ASSERT_NO_FATAL_FAILURE(layOut("main=stdin\n"));
    ProcessResult child = runDialogueChild(L"", "1\n");
    ASSERT_TRUE(child.finished);
    EXPECT_EQ(0u, child.exitCode);
    StandinRecord vm = record();
    EXPECT_EQ(std::vector<std::string>{"1"}, vm.stdinLines);
    EXPECT_EQ(STDIN_END_EOF, vm.stdinEnd);
    EXPECT_TRUE(vm.mainReturned);
    EXPECT_TRUE(vm.destroyed);
}

TEST_F(StandinJvm, main_calling_exit_ends_the_process_with_its_code) {
    ASSERT_NO_FATAL_FAILURE(layOut(""));
    ProcessResult child = runDialogueChild(L"-Dstandin.main=exit -Dstandin.exitCode=7", "");
    ASSERT_TRUE(child.finished);
    EXPECT_EQ(7u, child.exitCode);
    StandinRecord vm = record();
    EXPECT_TRUE(vm.exited);
    EXPECT_EQ(7, vm.exitCode);
    EXPECT_FALSE(vm.mainReturned);
}

}  // namespace
