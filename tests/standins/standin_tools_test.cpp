// java.exe, javaw.exe, unpack200.exe and jli.dll stand-ins, and the homes
// they are laid out in.
#include <windows.h>

#include <gtest/gtest.h>

#include "jvm/jli_min.h"
#include "standins/run_process.h"
#include "standins/runtime_home.h"
#include "standins/standin_files.h"
#include "standins/standin_protocol.h"
#include "standins/standin_record.h"

namespace {

class StandinTools : public testing::Test {
protected:
    void SetUp() override { directory = createScratchDirectory(L"standin-tools"); }
    void TearDown() override {
        if (jli != nullptr) FreeLibrary(jli);
        removeDirectoryTree(directory);
    }

    void layOut(const RuntimeHomeLayout &layout) {
        std::string error;
        ASSERT_TRUE(layOutRuntimeHome(directory, layout, home, error)) << error;
    }

    ProcessResult runVersion(const std::wstring &javaExe) {
        ProcessRequest request;
        request.commandLine = L"\"" + javaExe + L"\" -version";
        return runProcess(request);
    }

    std::wstring directory;
    RuntimeHome home;
    HMODULE jli = nullptr;
};

bool fileExists(const std::wstring &path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Sets or removes a variable for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t *name, const wchar_t *value) : name_(name) {
        wchar_t old[1024];
        DWORD length = GetEnvironmentVariableW(name, old, 1024);
        hadValue_ = length > 0 && length < 1024;
        if (hadValue_) old_.assign(old, length);
        SetEnvironmentVariableW(name, value);
    }
    ~ScopedVariable() {
        SetEnvironmentVariableW(name_.c_str(), hadValue_ ? old_.c_str() : nullptr);
    }

private:
    std::wstring name_;
    std::wstring old_;
    bool hadValue_ = false;
};

TEST_F(StandinTools, java_writes_the_configured_banner_and_exit_code_and_records_the_variables) {
    RuntimeHomeLayout layout;
    layout.banner = "java version \"1.8.0_392\"\nno quote here\r\n";
    layout.javaExitCode = 3;
    ASSERT_NO_FATAL_FAILURE(layOut(layout));
    ScopedVariable options(L"_JAVA_OPTIONS", L"-Xmx1m \"quoted\"");
    ScopedVariable jdkOptions(L"JDK_JAVA_OPTIONS", nullptr);
    ScopedVariable toolOptions(L"JAVA_TOOL_OPTIONS", L"");

    ProcessResult java = runVersion(home.javaExe);
    ASSERT_TRUE(java.finished);
    EXPECT_EQ(3u, java.exitCode);
    EXPECT_EQ(layout.banner, java.standardError);
    EXPECT_EQ("", java.standardOutput);

    std::vector<JavaRun> runs = readJavaRuns(home.javaRuns);
    ASSERT_EQ(1u, runs.size());
    EXPECT_EQ("\"" + wideToUtf8(home.javaExe) + "\" -version", runs[0].commandLine);
    EXPECT_EQ(wideToUtf8(home.javaExe), runs[0].program);
    EXPECT_EQ(RecordField("-Xmx1m \"quoted\""), runs[0].environment["_JAVA_OPTIONS"]);
    EXPECT_EQ(RecordField(), runs[0].environment["JDK_JAVA_OPTIONS"]);
    EXPECT_EQ(3, runs[0].exitCode);
}

TEST_F(StandinTools, java_and_javaw_of_a_home_print_the_banner_of_its_version) {
    RuntimeHomeLayout layout;
    layout.version = "11.0.20";
    ASSERT_NO_FATAL_FAILURE(layOut(layout));
    ProcessResult java = runVersion(home.javaExe);
    ProcessResult javaw = runVersion(home.javawExe);
    EXPECT_EQ(0u, java.exitCode);
    EXPECT_EQ(0, java.standardError.find("openjdk version \"11.0.20\" 2022-01-18\r\n"));
    EXPECT_EQ(java.standardError, javaw.standardError);
    std::vector<JavaRun> runs = readJavaRuns(home.javaRuns);
    ASSERT_EQ(2u, runs.size());
    EXPECT_EQ(wideToUtf8(home.javawExe), runs[1].program);
}

TEST_F(StandinTools, runtime_homes_put_each_piece_where_the_layout_says) {
    RuntimeHomeLayout layout;
    layout.javaDirectory = L"jre\\bin";
    layout.withJavaw = false;
    layout.vmDirectory = L"jre\\bin\\client";
    layout.extraVmDirectories = {L"bin\\server"};
    layout.jliDirectory = L"";
    layout.withUnpack200 = false;
    layout.withToolsJar = true;
    layout.javaMachine = 0x14C;
    ASSERT_NO_FATAL_FAILURE(layOut(layout));
    EXPECT_EQ(directory + L"\\jre\\bin\\java.exe", home.javaExe);
    EXPECT_EQ(directory + L"\\jre\\bin\\client\\jvm.dll", home.jvmDll);
    EXPECT_TRUE(fileExists(home.javaExe));
    EXPECT_TRUE(fileExists(home.jvmDll));
    EXPECT_TRUE(fileExists(directory + L"\\bin\\server\\jvm.dll"));
    EXPECT_EQ(directory + L"\\bin\\server\\standin-jvm-record.txt",
              jvmRecordIn(home, L"bin\\server"));
    EXPECT_TRUE(fileExists(directory + L"\\lib\\tools.jar"));
    EXPECT_FALSE(fileExists(home.javawExe));
    EXPECT_FALSE(fileExists(home.jliDll));
    EXPECT_FALSE(fileExists(home.unpack200Exe));
    std::string image;
    ASSERT_TRUE(readFileBytes(home.javaExe, image));
    size_t header = static_cast<unsigned char>(image[60]) | static_cast<unsigned char>(image[61])
                                                                << 8;
    EXPECT_EQ('\x4C', image[header + 4]);
    EXPECT_EQ('\x01', image[header + 5]);
}

class StandinUnpack : public StandinTools {
protected:
    ProcessResult unpack(const std::wstring &packed) {
        ProcessRequest request;
        request.application = home.unpack200Exe;
        std::wstring archive = directory + L"\\" + packed;
        request.commandLine = L"\"" + home.unpack200Exe + L"\" -r \"" + archive + L"\" \"" +
                              archive.substr(0, archive.size() - 5) + L"\"";
        return runProcess(request);
    }
};

TEST_F(StandinUnpack, unpack200_writes_the_jar_and_removes_the_archive) {
    RuntimeHomeLayout layout;
    layout.packedJars = {L"lib\\rt.jar.pack", L"lib\\ext\\a b.jar.pack"};
    ASSERT_NO_FATAL_FAILURE(layOut(layout));
    std::string packed;
    ASSERT_TRUE(readFileBytes(directory + L"\\lib\\ext\\a b.jar.pack", packed));

    ProcessResult run = unpack(L"lib\\ext\\a b.jar.pack");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode);
    std::string jar;
    EXPECT_TRUE(readFileBytes(directory + L"\\lib\\ext\\a b.jar", jar));
    EXPECT_EQ(packed, jar);
    EXPECT_FALSE(fileExists(directory + L"\\lib\\ext\\a b.jar.pack"));
    EXPECT_TRUE(fileExists(directory + L"\\lib\\rt.jar.pack"));

    std::vector<UnpackRun> runs = readUnpackRuns(home.unpackRuns);
    ASSERT_EQ(1u, runs.size());
    EXPECT_NE(std::string::npos, runs[0].commandLine.find("unpack200.exe\" -r \""));
    EXPECT_EQ(wideToUtf8(directory) + "\\lib\\ext\\a b.jar", runs[0].jar);
    EXPECT_TRUE(runs[0].jarWritten);
    EXPECT_TRUE(runs[0].archiveRemoved);
}

TEST_F(StandinUnpack, unpack200_can_be_told_to_keep_the_archive_and_write_nothing) {
    RuntimeHomeLayout layout;
    layout.packedJars = {L"lib\\rt.jar.pack"};
    layout.unpackSettings = "remove=0\nwrite=0\nexit=4\n";
    ASSERT_NO_FATAL_FAILURE(layOut(layout));
    ProcessResult run = unpack(L"lib\\rt.jar.pack");
    EXPECT_EQ(4u, run.exitCode);
    EXPECT_TRUE(fileExists(directory + L"\\lib\\rt.jar.pack"));
    EXPECT_FALSE(fileExists(directory + L"\\lib\\rt.jar"));
}

template <typename Function>
Function bind(HMODULE module, const char *name) {
    return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

TEST_F(StandinTools, jli_expands_argument_files_and_records_its_calls) {
    ASSERT_NO_FATAL_FAILURE(layOut(RuntimeHomeLayout()));
    std::wstring argumentFile = directory + L"\\opts.txt";
    ASSERT_TRUE(
        writeFileBytes(argumentFile, "-Xmx1g \"-Dpath=C:\\a b\"\r\n\t-Dx=\"1 2\"3\n\"\"\n"));
    jli = LoadLibraryW(home.jliDll.c_str());
    ASSERT_NE(nullptr, jli);
    auto init = bind<JliInitArgProcessingFunction>(jli, "JLI_InitArgProcessing");
    auto preprocess = bind<JliPreprocessArgFunction>(jli, "JLI_PreprocessArg");
    auto memFree = bind<JliMemFreeFunction>(jli, "JLI_MemFree");
    ASSERT_TRUE(init != nullptr && preprocess != nullptr && memFree != nullptr);

    init(JNI_TRUE, JNI_FALSE);
    std::string fileOption = "@" + wideToUtf8(argumentFile);
    JLI_List *list = preprocess(fileOption.c_str(), JNI_TRUE);
    ASSERT_NE(nullptr, list);
    std::vector<std::string> elements(list->elements, list->elements + list->size);
    EXPECT_EQ((std::vector<std::string>{"-Xmx1g", "-Dpath=C:\\a b", "-Dx=1 23", ""}), elements);
    memFree(list->elements);
    memFree(list);
    EXPECT_EQ(nullptr, preprocess("-Xss1m", JNI_TRUE));
    EXPECT_EQ(nullptr, preprocess("@C:\\no\\such\\file", JNI_TRUE));
    JLI_List *literal = preprocess("@@literal", JNI_FALSE);
    ASSERT_NE(nullptr, literal);
    EXPECT_EQ(std::string("@literal"), literal->elements[0]);
    int notOurs = 0;
    memFree(&notOurs);

    std::vector<JliRecord> records = readJliRecords(home.jliRecord);
    ASSERT_EQ(1u, records.size());
    EXPECT_TRUE(records[0].loaded);
    EXPECT_EQ((std::vector<std::pair<bool, bool>>{{true, false}}), records[0].initCalls);
    ASSERT_EQ(4u, records[0].preprocessCalls.size());
    EXPECT_EQ(elements, records[0].preprocessCalls[0].elements);
    EXPECT_TRUE(records[0].preprocessCalls[0].afterInit);
    EXPECT_EQ(JLI_RESULT_NULL, records[0].preprocessCalls[1].result);
    EXPECT_EQ(JLI_RESULT_MISSING, records[0].preprocessCalls[2].result);
    EXPECT_EQ((std::vector<std::string>{"elements", "list", "unknown"}), records[0].frees);
}

}  // namespace
