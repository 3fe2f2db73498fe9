#include "bridge/bridge_vm.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

JavaLaunch lastLaunch;
int launchCount = 0;
int javaExitCode = 0;
int exitedWith = -1;

int recordLaunch(const JavaLaunch &launch) {
    lastLaunch = launch;
    launchCount++;
    return javaExitCode;
}

void recordExit(int code) { exitedWith = code; }

// A VM per test, destroyed even when the test fails; the recorded launch is reset.
class BridgeVm : public ::testing::Test {
protected:
    void SetUp() override {
        lastLaunch = JavaLaunch();
        launchCount = 0;
        javaExitCode = 0;
        exitedWith = -1;
        ASSERT_EQ(createBridgeVm(&vm, &env, {"-Xrs", "-Djava.class.path=C:\\a.jar"}, {recordLaunch, recordExit}),
                  JNI_OK);
    }
    void TearDown() override {
        if (vm != nullptr)
            (*vm)->DestroyJavaVM(vm);
    }

    jstring string(const char *utf) { return (*env)->NewStringUTF(env, utf); }

    jobjectArray parameters(std::initializer_list<const char *> texts) {
        jclass type = (*env)->FindClass(env, "java/lang/String");
        jobjectArray array = (*env)->NewObjectArray(env, static_cast<jsize>(texts.size()), type, nullptr);
        jsize i = 0;
        for (const char *text : texts)
            (*env)->SetObjectArrayElement(env, array, i++, text == nullptr ? nullptr : string(text));
        return array;
    }

    void callMain(const char *className, jobjectArray array) {
        jclass entry = (*env)->FindClass(env, className);
        jmethodID main = (*env)->GetStaticMethodID(env, entry, "main", "([Ljava/lang/String;)V");
        ASSERT_NE(main, nullptr);
        (*env)->CallStaticVoidMethod(env, entry, main, array);
    }

    void setProperty(const char *key, const char *value, jobject *previous = nullptr) {
        jclass system = (*env)->FindClass(env, "java/lang/System");
        jmethodID method = (*env)->GetStaticMethodID(env, system, "setProperty",
                                                     "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
        ASSERT_NE(method, nullptr);
        jobject result = (*env)->CallStaticObjectMethod(env, system, method, string(key), string(value));
        if (previous != nullptr)
            *previous = result;
    }

    std::string utf(jstring text) {
        const char *chars = (*env)->GetStringUTFChars(env, text, nullptr);
        std::string copy = chars == nullptr ? "(null)" : chars;
        (*env)->ReleaseStringUTFChars(env, text, chars);
        return copy;
    }

    JavaVM *vm = nullptr;
    JNIEnv *env = nullptr;
};

TEST_F(BridgeVm, main_hands_options_properties_class_and_arguments_to_the_launch) {
    setProperty("pellux.moduleName", "C:\\app\\app.exe");
    callMain("com/pellux/runtime/WinLauncher", parameters({"false", "a b", nullptr, ""}));
    ASSERT_EQ(launchCount, 1);
    EXPECT_EQ(lastLaunch.vmOptions, (std::vector<std::string>{"-Xrs", "-Djava.class.path=C:\\a.jar"}));
    ASSERT_EQ(lastLaunch.properties.size(), 1u);
    EXPECT_EQ(lastLaunch.properties[0].second, "C:\\app\\app.exe");
    EXPECT_EQ(lastLaunch.entryClass, "com/pellux/runtime/WinLauncher");
    EXPECT_EQ(lastLaunch.mainArguments, (std::vector<std::string>{"false", "a b", "", ""}));
    EXPECT_EQ(exitedWith, -1);
    EXPECT_EQ((*env)->ExceptionOccurred(env), nullptr);
}

TEST_F(BridgeVm, nonzero_exit_code_ends_the_process_and_zero_returns) {
    javaExitCode = 0;
    callMain("Main", parameters({}));
    EXPECT_EQ(exitedWith, -1);
    javaExitCode = 42;
    callMain("Main", parameters({}));
    EXPECT_EQ(exitedWith, 42);
}

TEST_F(BridgeVm, main_without_an_array_gets_no_arguments) {
    callMain("Main", nullptr);
    ASSERT_EQ(launchCount, 1);
    EXPECT_TRUE(lastLaunch.mainArguments.empty());
}

TEST_F(BridgeVm, setProperty_replaces_a_key_and_returns_the_old_value) {
    jobject previous = nullptr;
    setProperty("k", "one", &previous);
    EXPECT_EQ(previous, nullptr);
    setProperty("k", "two", &previous);
    ASSERT_NE(previous, nullptr);
    EXPECT_EQ(utf(static_cast<jstring>(previous)), "one");
    callMain("Main", nullptr);
    ASSERT_EQ(lastLaunch.properties.size(), 1u);
    EXPECT_EQ(lastLaunch.properties[0], (std::pair<std::string, std::string>("k", "two")));
}

TEST_F(BridgeVm, setProperty_with_a_null_value_leaves_a_pending_exception) {
    jclass system = (*env)->FindClass(env, "java/lang/System");
    jmethodID method = (*env)->GetStaticMethodID(env, system, "setProperty",
                                                 "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
    EXPECT_EQ((*env)->CallStaticObjectMethod(env, system, method, string("k"), nullptr), nullptr);
    EXPECT_TRUE((*env)->ExceptionCheck(env));
}

TEST_F(BridgeVm, text_survives_utf16_and_modified_utf8_round_trips) {
    const jchar units[] = {'a', 0x00FC, 0, 0xD83D, 0xDE00, 0xDC00};  // a, ü, NUL, 😀, lone low surrogate
    jstring text = (*env)->NewString(env, units, 6);
    EXPECT_EQ((*env)->GetStringLength(env, text), 6);
    EXPECT_EQ(utf(text), "a\xC3\xBC\xC0\x80\xED\xA0\xBD\xED\xB8\x80\xED\xB0\x80");
    EXPECT_EQ((*env)->GetStringUTFLength(env, text), 14);
    jobjectArray array = (*env)->NewObjectArray(env, 1, (*env)->FindClass(env, "java/lang/String"), text);
    callMain("Main", array);
    ASSERT_EQ(lastLaunch.mainArguments.size(), 1u);
    EXPECT_EQ(lastLaunch.mainArguments[0], std::string("a\xC3\xBC", 3) + std::string(1, '\0') +
                                               "\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

TEST_F(BridgeVm, malformed_utf8_becomes_replacement_characters) {
    jstring text = string("\xE2\x82");  // a three-byte sequence cut short
    EXPECT_EQ((*env)->GetStringLength(env, text), 2);
    EXPECT_EQ((*env)->GetStringChars(env, text, nullptr)[0], 0xFFFD);
    EXPECT_EQ(utf(string("x\xF0\x9F\x98\x80")), "x\xED\xA0\xBD\xED\xB8\x80");
}

TEST_F(BridgeVm, bad_array_requests_leave_exceptions_not_crashes) {
    jclass type = (*env)->FindClass(env, "java/lang/String");
    EXPECT_EQ((*env)->NewObjectArray(env, -1, type, nullptr), nullptr);
    EXPECT_TRUE((*env)->ExceptionCheck(env));
    (*env)->ExceptionClear(env);
    EXPECT_EQ((*env)->NewObjectArray(env, 0x7FFFFFFF, type, nullptr), nullptr);
    EXPECT_TRUE((*env)->ExceptionCheck(env));
    (*env)->ExceptionClear(env);
    jobjectArray array = (*env)->NewObjectArray(env, 2, type, nullptr);
    (*env)->SetObjectArrayElement(env, array, 2, string("x"));
    EXPECT_TRUE((*env)->ExceptionCheck(env));
    (*env)->ExceptionClear(env);
    EXPECT_EQ((*env)->GetObjectArrayElement(env, array, -1), nullptr);
    EXPECT_TRUE((*env)->ExceptionCheck(env));
    (*env)->ExceptionClear(env);
    EXPECT_EQ((*env)->NewString(env, nullptr, 3), nullptr);
    EXPECT_TRUE((*env)->ExceptionCheck(env));
}

TEST_F(BridgeVm, unknown_handles_read_as_null) {
    int notAnObject = 0;
    jstring stranger = reinterpret_cast<jstring>(&notAnObject);
    EXPECT_EQ((*env)->GetStringLength(env, stranger), 0);
    EXPECT_EQ((*env)->GetStringChars(env, stranger, nullptr), nullptr);
    EXPECT_EQ((*env)->GetStringUTFChars(env, stranger, nullptr), nullptr);
    EXPECT_EQ((*env)->GetArrayLength(env, stranger), 0);
}

TEST_F(BridgeVm, describe_prints_and_clears_the_pending_exception) {
    EXPECT_EQ((*env)->FindClass(env, HELPER_CLASS_NAME), nullptr);
    testing::internal::CaptureStderr();
    (*env)->ExceptionDescribe(env);
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_NE(printed.find("java.lang.NoClassDefFoundError: com/zanthor/runtime/installer/platform/win32/Common"),
              std::string::npos)
        << printed;
    EXPECT_FALSE((*env)->ExceptionCheck(env));
}

TEST_F(BridgeVm, one_vm_at_a_time_and_a_new_one_after_destroy) {
    JavaVM *second = nullptr;
    JNIEnv *secondEnv = nullptr;
    EXPECT_EQ(createBridgeVm(&second, &secondEnv, {}, {recordLaunch, recordExit}), JNI_ERR);
    EXPECT_EQ(currentBridgeVm(), vm);
    EXPECT_EQ((*vm)->DestroyJavaVM(vm), JNI_OK);
    EXPECT_EQ(currentBridgeVm(), nullptr);
    vm = nullptr;
    ASSERT_EQ(createBridgeVm(&second, &secondEnv, {}, {recordLaunch, recordExit}), JNI_OK);
    vm = second;
    void *attached = nullptr;
    EXPECT_EQ((*vm)->GetEnv(vm, &attached, JNI_VERSION_1_2), JNI_OK);
    EXPECT_EQ(attached, secondEnv);
}

TEST(BridgeVmCreation, missing_hooks_or_outputs_are_refused) {
    JavaVM *vm = nullptr;
    JNIEnv *env = nullptr;
    EXPECT_EQ(createBridgeVm(&vm, &env, {}, {nullptr, recordExit}), JNI_ERR);
    EXPECT_EQ(createBridgeVm(nullptr, &env, {}, {recordLaunch, recordExit}), JNI_ERR);
    EXPECT_EQ(currentBridgeVm(), nullptr);
}

}  // namespace
