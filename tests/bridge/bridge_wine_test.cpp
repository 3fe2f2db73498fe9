// The bridge runtime home under Wine: the launcher's JNI dialogue against the
// bridge's jvm.dll, with a real Linux JVM running a small probe program, and
// the home's java.exe. The program re-runs itself as the worker ("--dialogue")
// so that exit codes and standard streams are observed from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/jni_min.h"

namespace {

const DWORD CHILD_TIME_LIMIT_MS = 30000;
const char PROBE_CLASS[] = "bridgeprobe/BridgeProbe";
const char HELPER_CLASS[] = "com/zanthor/runtime/installer/platform/win32/Common";

typedef WCHAR *(CDECL *WineGetDosFileName)(const char *unixPath);

std::wstring dosPathOf(const char *unixPath) {
    WineGetDosFileName convert = reinterpret_cast<WineGetDosFileName>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (convert == nullptr)
        return std::wstring();
    WCHAR *dosPath = convert(unixPath);
    if (dosPath == nullptr)
        return std::wstring();
    std::wstring result = dosPath;
    HeapFree(GetProcessHeap(), 0, dosPath);
    return result;
}

std::wstring bridgeHome() { return dosPathOf(PELLUX_BRIDGE_HOME_UNIX); }

std::string narrow(const std::wstring &text) {
    std::string result;
    for (wchar_t c : text)
        result.push_back(static_cast<char>(c));
    return result;
}

std::wstring wide(const std::string &text) {
    int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring result(static_cast<size_t>(size > 0 ? size : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &result[0], size);
    result.resize(result.size() - 1);
    return result;
}

std::wstring ownPath() {
    WCHAR path[MAX_PATH * 4];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return std::wstring(path, length);
}

std::wstring quoted(const std::wstring &argument) { return L"\"" + argument + L"\""; }

// ---- the worker role: the launcher's dialogue ------------------------------

JNIEnv *createVm(JavaVM **vm, std::vector<std::string> options) {
    std::wstring dll = bridgeHome() + L"\\bin\\server\\jvm.dll";
    HMODULE module = LoadLibraryW(dll.c_str());
    if (module == nullptr)
        return nullptr;
    CreateJavaVMFunction create = reinterpret_cast<CreateJavaVMFunction>(
        reinterpret_cast<void *>(GetProcAddress(module, "JNI_CreateJavaVM")));
    if (create == nullptr)
        return nullptr;
    std::vector<JavaVMOption> vmOptions;
    for (std::string &option : options)
        vmOptions.push_back({&option[0], nullptr});
    JavaVMInitArgs args = {JNI_VERSION_1_2, static_cast<jint>(vmOptions.size()), vmOptions.data(), JNI_TRUE};
    JNIEnv *env = nullptr;
    if (create(vm, reinterpret_cast<void **>(&env), &args) != JNI_OK)
        return nullptr;
    return env;
}

jstring javaString(JNIEnv *env, const std::wstring &text) {
    std::vector<jchar> units(text.begin(), text.end());
    return (*env)->NewString(env, units.data(), static_cast<jsize>(units.size()));
}

void setProperty(JNIEnv *env, const std::wstring &key, const std::wstring &value) {
    jclass system = (*env)->FindClass(env, "java/lang/System");
    jmethodID method = (*env)->GetStaticMethodID(env, system, "setProperty",
                                                 "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
    (*env)->CallStaticObjectMethod(env, system, method, javaString(env, key), javaString(env, value));
}

// argv: --dialogue CLASSPATH PARAMETERS... Does what the launcher's JVM
// thread does and reports on standard output whether main came back.
int runDialogue(int argc, wchar_t **argv) {
    if (argc < 3)
        return 90;
    WCHAR temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    JavaVM *vm = nullptr;
    JNIEnv *env = createVm(&vm, {"-Djava.class.path=" + narrow(argv[2]), "-Dpellux.tempDir=" + narrow(temp),
                                 "-Djava.library.path=C:\\windows\\system32;C:\\windows", "-Xrs",
                                 "-Dbridge.option=plain"});
    if (env == nullptr)
        return 91;
    if ((*env)->FindClass(env, HELPER_CLASS) == nullptr)
        (*env)->ExceptionClear(env);
    setProperty(env, L"bridge.test", L"set through JNI");
    setProperty(env, L"pellux.moduleName", ownPath());
    jclass entry = (*env)->FindClass(env, PROBE_CLASS);
    jmethodID main = (*env)->GetStaticMethodID(env, entry, "main", "([Ljava/lang/String;)V");
    jclass stringClass = (*env)->FindClass(env, "java/lang/String");
    jobjectArray parameters = (*env)->NewObjectArray(env, argc - 3, stringClass, nullptr);
    if (main == nullptr || parameters == nullptr)
        return 92;
    for (int i = 3; i < argc; i++)
        (*env)->SetObjectArrayElement(env, parameters, i - 3, javaString(env, argv[i]));
    (*env)->CallStaticVoidMethod(env, entry, main, parameters);
    std::printf("driver: main returned, exception pending %d\n", (*env)->ExceptionOccurred(env) != nullptr);
    std::fflush(stdout);
    return (*vm)->DestroyJavaVM(vm) == JNI_OK ? 0 : 93;
}

// argv: --unused-slot. Calls DefineClass (slot 5), which the bridge does not model.
int runUnusedSlot() {
    JavaVM *vm = nullptr;
    JNIEnv *env = createVm(&vm, {});
    if (env == nullptr)
        return 91;
    typedef void(JNICALL * AnySlot)(JNIEnv *);
    reinterpret_cast<AnySlot>((*env)->gap5)(env);
    return 94;
}

// ---- the observer: child processes with pipes ------------------------------

struct ChildResult {
    bool finished = false;
    DWORD exitCode = 0;
    std::string output;
    std::string error;
};

struct PipeReader {
    HANDLE pipe;
    std::string text;
};

DWORD WINAPI readPipe(void *parameter) {
    PipeReader *reader = static_cast<PipeReader *>(parameter);
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(reader->pipe, buffer, sizeof buffer, &count, nullptr) && count > 0)
        reader->text.append(buffer, count);
    return 0;
}

// Runs the command line with its standard streams on pipes, writes the
// input and closes it right away or only after the child ended.
ChildResult runChild(const std::wstring &commandLine, const std::string &input, bool keepInputOpen) {
    ChildResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE inRead, inWrite, outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&inRead, &inWrite, &inherit, 0) || !CreatePipe(&outRead, &outWrite, &inherit, 0) ||
        !CreatePipe(&errRead, &errWrite, &inherit, 0))
        return result;
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process = {};
    std::wstring line = commandLine;
    BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(inRead);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    PipeReader out = {outRead, std::string()}, err = {errRead, std::string()};
    HANDLE readers[2] = {CreateThread(nullptr, 0, readPipe, &out, 0, nullptr),
                         CreateThread(nullptr, 0, readPipe, &err, 0, nullptr)};
    if (started) {
        DWORD written = 0;
        if (!input.empty())
            WriteFile(inWrite, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
        if (!keepInputOpen)
            CloseHandle(inWrite);
        result.finished = WaitForSingleObject(process.hProcess, CHILD_TIME_LIMIT_MS) == WAIT_OBJECT_0;
        if (!result.finished)
            TerminateProcess(process.hProcess, 99);
        GetExitCodeProcess(process.hProcess, &result.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        if (keepInputOpen)
            CloseHandle(inWrite);
    } else {
        CloseHandle(inWrite);
    }
    WaitForMultipleObjects(2, readers, TRUE, 5000);
    CloseHandle(readers[0]);
    CloseHandle(readers[1]);
    CloseHandle(outRead);
    CloseHandle(errRead);
    result.output = out.text;
    result.error = err.text;
    return result;
}

bool contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

std::string readWholeFile(const std::wstring &path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "(missing)";
    char buffer[256];
    DWORD count = 0;
    ReadFile(file, buffer, sizeof buffer, &count, nullptr);
    CloseHandle(file);
    return std::string(buffer, count);
}

// A directory on drive C (a Wine drive link, not the Unix root) with a blank
// in its name, holding a copy of the probe jar. Removed with its files.
class ProbeOnDriveC {
public:
    ProbeOnDriveC() {
        WCHAR temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        directory_ = std::wstring(temp) + L"bridge probe " + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(directory_.c_str(), nullptr);
        CopyFileW(dosPathOf(PELLUX_BRIDGE_PROBE_JAR_UNIX).c_str(), jar().c_str(), FALSE);
    }
    ~ProbeOnDriveC() {
        for (const wchar_t *name : {L"\\probe.jar", L"\\stderr file.txt", L"\\stdout.txt"})
            DeleteFileW((directory_ + name).c_str());
        RemoveDirectoryW(directory_.c_str());
    }
    std::wstring jar() const { return directory_ + L"\\probe.jar"; }
    std::wstring file(const wchar_t *name) const { return directory_ + L"\\" + name; }

private:
    std::wstring directory_;
};

std::wstring dialogueCommand(const ProbeOnDriveC &probe, const std::vector<std::wstring> &parameters) {
    std::wstring line = quoted(ownPath()) + L" --dialogue " + quoted(probe.jar());
    for (const std::wstring &parameter : parameters)
        line += L" " + quoted(parameter);
    return line;
}

// ---- the JNI table itself, in this process -----------------------------------

class BridgeFunctionTable : public ::testing::Test {
protected:
    void SetUp() override {
        env_ = createVm(&vm_, {"-Xrs"});
        ASSERT_NE(env_, nullptr);
    }
    void TearDown() override {
        if (vm_ != nullptr)
            (*vm_)->DestroyJavaVM(vm_);
    }
    JavaVM *vm_ = nullptr;
    JNIEnv *env_ = nullptr;
};

TEST_F(BridgeFunctionTable, helper_class_is_missing_with_a_describable_exception) {
    EXPECT_EQ((*env_)->FindClass(env_, HELPER_CLASS), nullptr);
    jthrowable pending = (*env_)->ExceptionOccurred(env_);
    ASSERT_NE(pending, nullptr);
    jclass type = (*env_)->GetObjectClass(env_, pending);
    jmethodID toString = (*env_)->GetMethodID(env_, type, "toString", "()Ljava/lang/String;");
    jstring text = static_cast<jstring>((*env_)->CallObjectMethod(env_, pending, toString));
    const char *utf = (*env_)->GetStringUTFChars(env_, text, nullptr);
    ASSERT_NE(utf, nullptr);
    EXPECT_TRUE(contains(utf, "NoClassDefFoundError")) << utf;
    EXPECT_TRUE(contains(utf, HELPER_CLASS)) << utf;
    (*env_)->ReleaseStringUTFChars(env_, text, utf);
    (*env_)->ExceptionClear(env_);
    EXPECT_EQ((*env_)->ExceptionOccurred(env_), nullptr);
}

// ---- one launch of the probe, observed from outside -----------------------------

class BridgeDialogue : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        probe_ = new ProbeOnDriveC();
        run_ = new ChildResult(runChild(
            dialogueCommand(*probe_, {L"false", L"echo", probe_->file(L"stderr file.txt"),
                                      probe_->file(L"stdout.txt"), L"false", L"a b", L"", wide("grüße"),
                                      L"C:\\not\\translated"}),
            "", false));
    }
    static void TearDownTestSuite() {
        delete run_;
        delete probe_;
    }
    static ProbeOnDriveC *probe_;
    static ChildResult *run_;
};

ProbeOnDriveC *BridgeDialogue::probe_ = nullptr;
ChildResult *BridgeDialogue::run_ = nullptr;

TEST_F(BridgeDialogue, main_returns_normally_and_the_worker_exits_zero) {
    ASSERT_TRUE(run_->finished);
    EXPECT_EQ(run_->exitCode, 0u) << run_->error;
    EXPECT_TRUE(contains(run_->output, "driver: main returned, exception pending 0")) << run_->output;
}

TEST_F(BridgeDialogue, entry_class_found_through_a_class_path_on_drive_c) {
    EXPECT_TRUE(contains(run_->output, "class path is Unix: true")) << run_->output << run_->error;
}

TEST_F(BridgeDialogue, main_arguments_arrive_unchanged) {
    EXPECT_TRUE(contains(run_->output, "arg 0: [false]")) << run_->output;
    EXPECT_TRUE(contains(run_->output, "arg 5: [a b]")) << run_->output;
    EXPECT_TRUE(contains(run_->output, "arg 6: []")) << run_->output;
    EXPECT_TRUE(contains(run_->output, "arg 7: [grüße]")) << run_->output;
    EXPECT_TRUE(contains(run_->output, "arg 8: [C:\\not\\translated]")) << run_->output;
}

TEST_F(BridgeDialogue, standard_output_and_error_are_relayed_separately) {
    EXPECT_TRUE(contains(run_->error, "probe on stderr")) << run_->error;
    EXPECT_FALSE(contains(run_->output, "probe on stderr"));
}

TEST_F(BridgeDialogue, properties_from_setProperty_and_options_are_visible_in_java) {
    EXPECT_TRUE(contains(run_->output, "property bridge.test: set through JNI")) << run_->output;
    EXPECT_TRUE(contains(run_->output, "property bridge.option: plain")) << run_->output;
}

TEST_F(BridgeDialogue, windows_paths_in_properties_are_translated) {
    EXPECT_TRUE(contains(run_->output, "temp dir is a Unix directory: true")) << run_->output;
    EXPECT_TRUE(contains(run_->output, "module name is Unix: true")) << run_->output;
}

TEST_F(BridgeDialogue, windows_library_path_is_left_out) {
    EXPECT_TRUE(contains(run_->output, "library path holds Windows entries: false")) << run_->output;
}

TEST_F(BridgeDialogue, redirection_file_parameters_are_translated) {
    EXPECT_TRUE(contains(run_->output, "arg 2: [/")) << run_->output;
    EXPECT_EQ(readWholeFile(probe_->file(L"stderr file.txt")), "written to parameter 3");
    EXPECT_EQ(readWholeFile(probe_->file(L"stdout.txt")), "written to parameter 4");
}

// ---- standard input and exit codes ------------------------------------------------

TEST(BridgeWorkerStreams, stop_line_on_standard_input_reaches_java) {
    ProbeOnDriveC probe;
    // The input stays open: only the line itself can end the program.
    ChildResult run = runChild(dialogueCommand(probe, {L"false", L"stop-line", L"", L"", L"false"}),
                               "hello\n0\n", true);
    ASSERT_TRUE(run.finished) << run.output << run.error;
    EXPECT_EQ(run.exitCode, 0u) << run.error;
    EXPECT_TRUE(contains(run.output, "line: hello\nline: 0\nstop line received")) << run.output;
}

TEST(BridgeWorkerStreams, end_of_input_reaches_java) {
    ProbeOnDriveC probe;
    ChildResult run = runChild(dialogueCommand(probe, {L"false", L"end-of-input", L"", L"", L"false"}),
                               "one\ntwo\n", false);
    ASSERT_TRUE(run.finished) << run.output << run.error;
    EXPECT_EQ(run.exitCode, 0u) << run.error;
    EXPECT_TRUE(contains(run.output, "end of input after 2 lines")) << run.output;
}

TEST(BridgeWorkerStreams, nonzero_java_exit_code_ends_the_worker_with_it) {
    ProbeOnDriveC probe;
    ChildResult run = runChild(dialogueCommand(probe, {L"false", L"exit", L"", L"", L"false", L"7"}), "", false);
    ASSERT_TRUE(run.finished) << run.output << run.error;
    EXPECT_EQ(run.exitCode, 7u) << run.error;
    EXPECT_TRUE(contains(run.output, "exiting with 7")) << run.output;
    EXPECT_FALSE(contains(run.output, "driver: main returned")) << run.output;
}

TEST(BridgeWorkerStreams, unsupported_jni_slot_is_reported_and_aborts) {
    ChildResult run = runChild(quoted(ownPath()) + L" --unused-slot", "", false);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_TRUE(contains(run.error, "JNI function slot 5 is not supported")) << run.error;
}

// ---- bin\java.exe ----------------------------------------------------------------------

TEST(BridgeJavaExe, version_banner_comes_on_standard_error_with_exit_code_zero) {
    ChildResult run = runChild(quoted(bridgeHome() + L"\\bin\\java.exe") + L" -version", "", false);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, "");
    // The launcher takes the text between 'version "' and the next quote.
    size_t at = run.error.find(" version \"");
    ASSERT_NE(at, std::string::npos) << run.error;
    size_t end = run.error.find('"', at + 10);
    ASSERT_NE(end, std::string::npos);
    EXPECT_GT(end, at + 10) << run.error;
}

TEST(BridgeJavaExe, class_path_switch_is_translated_and_exit_code_returned) {
    ProbeOnDriveC probe;
    ChildResult run = runChild(quoted(bridgeHome() + L"\\bin\\java.exe") + L" -cp " + quoted(probe.jar()) +
                                   L" bridgeprobe.BridgeProbe false exit \"\" \"\" false 5",
                               "", false);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 5u) << run.error;
    EXPECT_TRUE(contains(run.output, "exiting with 5")) << run.output;
}

}  // namespace

int wmain(int argc, wchar_t **argv) {
    if (argc > 1 && std::wstring(argv[1]) == L"--dialogue")
        return runDialogue(argc, argv);
    if (argc > 1 && std::wstring(argv[1]) == L"--unused-slot")
        return runUnusedSlot();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
