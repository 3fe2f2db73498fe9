#include <gtest/gtest.h>

#include <cstdlib>

#include "common/records.h"
#include "runtime/startup.h"
#include "tests/support/launcher_harness.h"

namespace {

class StartUp : public ::testing::Test {
protected:
    std::wstring logAfterRunning(std::initializer_list<std::pair<int32_t, std::string>> records,
                                 EnvironmentChanges environment = {}) {
        std::wstring launcher = makeConfiguredLauncher(directory_.path(), L"App.exe", blockWith(records));
        EnvironmentChanges changes = loggingInto(logRoot_.path());
        changes.insert(changes.end(), environment.begin(), environment.end());
        runProgram(launcher, L"/?", changes);
        return readUtf8File(logRoot_.file(L"zno_nlog_" + std::to_wstring(++runs_) + L".log"));
    }

    ScratchDirectory directory_;
    ScratchDirectory logRoot_;
    int runs_ = 0;
};

TEST_F(StartUp, DotWorkingDirectoryIsTheExecutablesDirectory) {
    std::wstring log = logAfterRunning({{record::kWorkingDirectory, "."}});
    EXPECT_NE(log.find(L"change working directory to " + directory_.path() + L"\r\n"), std::wstring::npos) << log;
    log = logAfterRunning({});
    EXPECT_NE(log.find(L"working directory unchanged"), std::wstring::npos) << log;
}

TEST_F(StartUp, PathReductionKeepsOnlyWindowsEntries) {
    std::wstring log = logAfterRunning({{record::kReducePath, "1"}}, {{L"PATH", L"C:\\windows\\system32;C:\\Tools;C:\\WINDOWS"}});
    EXPECT_NE(log.find(L"reducing PATH 10 40 C:\\windows\\system32;C:\\Tools;C:\\WINDOWS"), std::wstring::npos) << log;
    EXPECT_NE(log.find(L"reduced PATH 30 to C:\\windows\\system32;C:\\WINDOWS"), std::wstring::npos) << log;

    log = logAfterRunning({{record::kReducePath, "1"}}, {{L"PATH", L"C:\\Tools;D:\\bin"}});
    EXPECT_NE(log.find(L"reduced PATH 0 to \r\n"), std::wstring::npos) << log;
    log = logAfterRunning({}, {{L"PATH", L"C:\\Tools"}});
    EXPECT_EQ(log.find(L"reducing PATH"), std::wstring::npos);
}

TEST_F(StartUp, JavaOptionsVariablesAreIgnoredOnlyWhenConfigured) {
    EXPECT_NE(logAfterRunning({{record::kIgnoreJavaOptions, "1"}}).find(L"ignoring java options environment variables"), std::wstring::npos);
    EXPECT_EQ(logAfterRunning({{record::kIgnoreJavaOptions, "0"}}).find(L"ignoring java options"), std::wstring::npos);
}

class EnvironmentRestorer {
public:
    explicit EnvironmentRestorer(const wchar_t *name) : name_(name) {
        wchar_t value[32768];
        DWORD length = GetEnvironmentVariableW(name, value, 32768);
        existed_ = length > 0 && length < 32768;
        if (existed_)
            value_ = value;
    }
    ~EnvironmentRestorer() { SetEnvironmentVariableW(name_.c_str(), existed_ ? value_.c_str() : nullptr); }

private:
    std::wstring name_;
    std::wstring value_;
    bool existed_;
};

// The VM is created in this process later and reads both copies.
TEST(JavaOptionsVariables, RemovedFromBothEnvironments) {
    const char *names[] = {"_JAVA_OPTIONS", "JDK_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS"};
    for (const char *name : names) {
        SetEnvironmentVariableA(name, "-Xmx1m");
        _putenv((std::string(name) + "=-Xmx1m").c_str());
    }
    clearJavaOptionsVariables();
    for (const char *name : names) {
        char value[16];
        EXPECT_EQ(GetEnvironmentVariableA(name, value, sizeof value), 0u) << name;
        EXPECT_EQ(getenv(name), nullptr) << name;
    }
}

TEST(ReducePath, ChangesThePathOfThisProcess) {
    EnvironmentRestorer restore(L"PATH");
    SetEnvironmentVariableW(L"PATH", L"C:\\Other;c:\\windows\\system32;D:\\x");
    reducePath(false);
    wchar_t value[256];
    GetEnvironmentVariableW(L"PATH", value, 256);
    EXPECT_STREQ(value, L"c:\\windows\\system32");
    SetEnvironmentVariableW(L"PATH", L"D:\\x");
    reducePath(false);
    GetEnvironmentVariableW(L"PATH", value, 256);
    EXPECT_STREQ(value, L"D:\\x");
}

}  // namespace
