// Loads znoinst.dll by full path, as the launcher does, and drives its export
// with a stand-in JNI environment that records what the library asks of it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "helperlib/helper_library.h"

namespace {

typedef jboolean(JNICALL *LogNative)(JNIEnv *env, jclass clazz, jstring line);

// A Java string as the stand-in VM hands it out: its code units are followed
// by more text, as nothing in JNI promises a terminator.
struct FakeString {
    std::wstring storage;
    jsize length;
};

// What the stand-in VM was asked and how it answers.
struct FakeVm {
    bool classExists = true;
    jint registerResult = JNI_OK;
    bool stringCharsAvailable = true;
    std::vector<std::string> foundClasses;
    std::vector<JNINativeMethod> registered;
    std::vector<jclass> deletedRefs;
    int charsAcquired = 0;
    int charsReleased = 0;
};

FakeVm *vm = nullptr;
std::vector<std::wstring> logLines;
int commonClassObject;
const jclass commonClass = reinterpret_cast<jclass>(&commonClassObject);

jclass JNICALL fakeFindClass(JNIEnv *, const char *name) {
    vm->foundClasses.push_back(name);
    return vm->classExists ? commonClass : nullptr;
}

jint JNICALL fakeRegisterNatives(JNIEnv *, jclass clazz, const JNINativeMethod *methods,
                                 jint count) {
    EXPECT_EQ(commonClass, clazz);
    vm->registered.assign(methods, methods + count);
    return vm->registerResult;
}

void JNICALL fakeDeleteLocalRef(JNIEnv *, jobject object) {
    vm->deletedRefs.push_back(object);
}

jsize JNICALL fakeGetStringLength(JNIEnv *, jstring text) {
    return reinterpret_cast<FakeString *>(text)->length;
}

const jchar *JNICALL fakeGetStringChars(JNIEnv *, jstring text, jboolean *isCopy) {
    if (isCopy != nullptr) {
        *isCopy = JNI_FALSE;
    }
    if (!vm->stringCharsAvailable) {
        return nullptr;
    }
    ++vm->charsAcquired;
    return reinterpret_cast<const jchar *>(reinterpret_cast<FakeString *>(text)->storage.c_str());
}

void JNICALL fakeReleaseStringChars(JNIEnv *, jstring, const jchar *) {
    ++vm->charsReleased;
}

// Stands in for the launcher's logError: wide printf format, "%s" wide, "%S" narrow.
void recordLogLine(const wchar_t *format, ...) {
    wchar_t line[8000];
    va_list args;
    va_start(args, format);
    int written = _vsnwprintf(line, 8000 - 1, format, args);
    va_end(args);
    line[written < 0 ? 8000 - 1 : written] = L'\0';
    logLines.push_back(line);
}

class HelperLibrary : public ::testing::Test {
protected:
    HMODULE library = nullptr;
    RegisterNativesFunction registerNatives = nullptr;
    JNINativeInterface_ table{};
    JNIEnv env = &table;
    FakeVm fake;

    void SetUp() override {
        wchar_t path[MAX_PATH];
        DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
        ASSERT_GT(length, 0u);
        ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
        std::wstring dllPath(path, length);
        dllPath = dllPath.substr(0, dllPath.find_last_of(L'\\') + 1) + L"znoinst.dll";
        SetLastError(0xdeadbeef);
        library = LoadLibraryW(dllPath.c_str());
        ASSERT_NE(nullptr, library) << "error " << GetLastError();
        registerNatives = reinterpret_cast<RegisterNativesFunction>(
            reinterpret_cast<void *>(GetProcAddress(library, REGISTER_NATIVES_EXPORT)));
        ASSERT_NE(nullptr, registerNatives);
        table.FindClass = fakeFindClass;
        table.RegisterNatives = fakeRegisterNatives;
        table.DeleteLocalRef = fakeDeleteLocalRef;
        table.GetStringLength = fakeGetStringLength;
        table.GetStringChars = fakeGetStringChars;
        table.ReleaseStringChars = fakeReleaseStringChars;
        vm = &fake;
        logLines.clear();
    }

    void TearDown() override {
        vm = nullptr;
        if (library != nullptr) {
            FreeLibrary(library);
        }
    }

    // Registers and returns the native the library registered for logging.
    LogNative registerLogNative() {
        EXPECT_EQ(1, registerNatives(&env, library, recordLogLine));
        EXPECT_EQ(1u, fake.registered.size());
        if (fake.registered.size() != 1) {
            return nullptr;
        }
        return reinterpret_cast<LogNative>(fake.registered[0].fnPtr);
    }

    jboolean logFromJava(LogNative log, FakeString &text) {
        return log(&env, commonClass, reinterpret_cast<jstring>(&text));
    }

    // The one line the launcher's log received for a Java line that was accepted.
    std::wstring loggedLineFor(FakeString text) {
        LogNative log = registerLogNative();
        if (log == nullptr) {
            return L"(no native registered)";
        }
        EXPECT_EQ(JNI_TRUE, logFromJava(log, text));
        EXPECT_EQ(fake.charsAcquired, fake.charsReleased);
        EXPECT_EQ(1u, logLines.size());
        return logLines.empty() ? L"(nothing logged)" : logLines.back();
    }
};

TEST_F(HelperLibrary, registers_log_native_of_common_and_reports_success) {
    LogNative log = registerLogNative();
    ASSERT_NE(nullptr, log);
    ASSERT_EQ(1u, fake.foundClasses.size());
    EXPECT_EQ("com/zanthor/runtime/installer/platform/win32/Common", fake.foundClasses[0]);
    EXPECT_STREQ("logToLauncher", fake.registered[0].name);
    EXPECT_STREQ("(Ljava/lang/String;)Z", fake.registered[0].signature);
    ASSERT_EQ(1u, fake.deletedRefs.size());
    EXPECT_EQ(commonClass, fake.deletedRefs[0]);
    EXPECT_TRUE(logLines.empty());
}

TEST_F(HelperLibrary, java_line_reaches_the_launcher_log_without_reading_past_its_length) {
    EXPECT_EQ(L"java: service started \u00fc",
              loggedLineFor({L"service started \u00fc, more text beyond the length", 17}));
    EXPECT_EQ(1, fake.charsAcquired);
}

TEST_F(HelperLibrary, percent_signs_in_java_text_stay_text) {
    EXPECT_EQ(L"java: 100%s done %d%n", loggedLineFor({L"100%s done %d%n", 15}));
}

TEST_F(HelperLibrary, overlong_java_line_is_cut_not_overrun) {
    EXPECT_EQ(L"java: " + std::wstring(1999, L'x'), loggedLineFor({std::wstring(5000, L'x'), 5000}));
}

TEST_F(HelperLibrary, empty_java_line_is_logged_empty) {
    EXPECT_EQ(L"java: ", loggedLineFor({L"garbage", 0}));
}

TEST_F(HelperLibrary, null_or_unavailable_java_text_is_refused) {
    LogNative log = registerLogNative();
    ASSERT_NE(nullptr, log);
    EXPECT_EQ(JNI_FALSE, log(&env, commonClass, nullptr));
    fake.stringCharsAvailable = false;
    FakeString text{L"lost", 4};
    EXPECT_EQ(JNI_FALSE, logFromJava(log, text));
    EXPECT_TRUE(logLines.empty());
}

TEST_F(HelperLibrary, missing_common_class_gives_zero_and_registers_nothing) {
    fake.classExists = false;
    EXPECT_EQ(0, registerNatives(&env, library, recordLogLine));
    EXPECT_TRUE(fake.registered.empty());
    ASSERT_EQ(1u, logLines.size());
    EXPECT_EQ(L"helper dll: class com/zanthor/runtime/installer/platform/win32/Common not found",
              logLines[0]);
}

TEST_F(HelperLibrary, refused_registration_gives_zero) {
    fake.registerResult = JNI_ERR;
    EXPECT_EQ(0, registerNatives(&env, library, recordLogLine));
    EXPECT_EQ(1u, fake.deletedRefs.size());
    ASSERT_EQ(1u, logLines.size());
    EXPECT_EQ(L"helper dll: RegisterNatives failed -1", logLines[0]);
}

TEST_F(HelperLibrary, missing_environment_or_log_writer_gives_zero) {
    EXPECT_EQ(0, registerNatives(nullptr, library, recordLogLine));
    EXPECT_EQ(0, registerNatives(&env, library, nullptr));
    EXPECT_TRUE(fake.foundClasses.empty());
}

}  // namespace
