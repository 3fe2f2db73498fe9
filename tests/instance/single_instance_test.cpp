#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "common/records.h"
#include "common/text.h"
#include "config/settings.h"
#include "instance/single_instance.h"
#include "tests/instance/instance_roles.h"
#include "tests/instance/role_report.h"
#include "tests/support/launcher_harness.h"

namespace {

const char kPidKey[] = "SOFTWARE\\Marrowfield\\pellux\\pids\\";

std::string underscored(std::string path) {
    for (char &c : path)
        if (c == '\\' || c == ' ')
            c = '_';
    return path;
}

DWORD registeredPid(const std::string &valueName) {
    DWORD pid = 0, size = sizeof pid;
    SetLastError(0xdeadbeef);
    LONG status = RegGetValueA(HKEY_CURRENT_USER, kPidKey, valueName.c_str(), RRF_RT_REG_DWORD, nullptr, &pid, &size);
    return status == ERROR_SUCCESS ? pid : 0;
}

void setRawPidValue(const std::string &valueName, const std::string &bytes) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kPidKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, valueName.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE *>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void deletePidValue(const std::string &valueName) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kPidKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, valueName.c_str());
    RegCloseKey(key);
}

// Removes the pid values a test caused, also when it fails.
class PidValuesRemoved {
public:
    explicit PidValuesRemoved(std::initializer_list<std::string> names) : names_(names) {
        for (const std::string &name : names_)
            deletePidValue(name);
    }
    ~PidValuesRemoved() {
        for (const std::string &name : names_)
            deletePidValue(name);
    }

private:
    std::vector<std::string> names_;
};

std::wstring inQuotes(const std::wstring &text) { return L"\"" + text + L"\""; }

// A copy of the test program that holds its instance until released.
class HoldingCopy {
public:
    HoldingCopy(const std::wstring &program, const std::wstring &arguments) {
        static int counter;
        name_ = L"pellux-instance-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
        ready_ = CreateEventW(nullptr, TRUE, FALSE, (name_ + L"-ready").c_str());
        release_ = CreateEventW(nullptr, TRUE, FALSE, (name_ + L"-release").c_str());
        child_ = std::make_unique<ChildRun>(program, std::wstring(ROLE_INSTANCE) + L" " + inQuotes(reportPath()) + L" " +
                                                         arguments + L" --hold " + name_,
                                            EnvironmentChanges{});
    }
    ~HoldingCopy() {
        SetEvent(release_);
        child_.reset();
        CloseHandle(ready_);
        CloseHandle(release_);
    }
    bool waitUntilHolding() { return WaitForSingleObject(ready_, 20000) == WAIT_OBJECT_0; }
    RunResult release() {
        SetEvent(release_);
        return child_->finish(20000);
    }
    std::map<std::string, std::string> report() const { return readRoleReport(reportPath()); }
    DWORD pid() const { return std::stoul("0" + report()["pid"]); }

private:
    std::wstring reportPath() const { return directory_.file(L"report.txt"); }

    ScratchDirectory directory_;
    std::wstring name_;
    HANDLE ready_;
    HANDLE release_;
    std::unique_ptr<ChildRun> child_;
};

// Wine has no display here and creates no windows on the default desktop; a
// desktop of its own whose explorer runs the null display driver has them.
class WindowDesktop {
public:
    WindowDesktop() : name_(L"PelluxInstanceTest" + std::to_wstring(GetCurrentProcessId())) {
        std::wstring command = L"explorer.exe /desktop=" + name_ + L",640x480,null";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info;
        if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return;
        explorer_ = info.hProcess;
        CloseHandle(info.hThread);
        for (int i = 0; i < 100 && !exists(); i++)
            Sleep(100);
    }
    ~WindowDesktop() {
        if (!explorer_)
            return;
        TerminateProcess(explorer_, 0);
        WaitForSingleObject(explorer_, 5000);
        CloseHandle(explorer_);
    }
    const std::wstring &name() const { return name_; }

private:
    bool exists() const {
        HDESK desktop = OpenDesktopW(name_.c_str(), 0, FALSE, DESKTOP_ENUMERATE);
        if (desktop)
            CloseDesktop(desktop);
        return desktop != nullptr;
    }

    std::wstring name_;
    HANDLE explorer_ = nullptr;
};

class SingleInstance : public ::testing::Test {
protected:
    // A second copy in a role, logging into its own root.
    RunResult runSecondCopy(const std::wstring &arguments, const std::wstring &program = testProgramPath()) {
        return runProgram(program, std::wstring(ROLE_INSTANCE) + L" " + inQuotes(secondReport()) + L" " + arguments,
                          loggingInto(logRoot_.path()));
    }
    std::wstring secondReport() const { return directory_.file(L"second.txt"); }
    std::wstring log() const { return readUtf8File(logRoot_.file(L"zno_nlog_1.log")); }
    bool logged(const std::wstring &line) const { return log().find(line) != std::wstring::npos; }

    std::string ownPath_ = instancePathOf(testProgramPath());
    PidValuesRemoved cleanup_{ownPath_};
    ScratchDirectory directory_;
    ScratchDirectory logRoot_;
};

TEST_F(SingleInstance, SecondCopyHandsOverToTheRunningOneAndExitsWithZero) {
    HoldingCopy first(testProgramPath(), L"10005=1 200=1");
    ASSERT_TRUE(first.waitUntilHolding());
    std::string name = "Local\\" + underscored(ownPath_);
    EXPECT_EQ(first.report()["semaphore"], name);
    EXPECT_EQ(registeredPid(ownPath_), first.pid());

    std::wstring posedTempDir = directory_.file(L"launcher-temp");
    ASSERT_TRUE(CreateDirectoryW(posedTempDir.c_str(), nullptr));
    ASSERT_TRUE(writeFileBytes(posedTempDir + L"\\extracted.jar", "jar"));
    RunResult second = runSecondCopy(L"10005=1 200=1 --temp-dir " + inQuotes(posedTempDir));
    EXPECT_TRUE(second.finished);
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_EQ(second.out + second.err, "");
    EXPECT_FALSE(fileExists(secondReport())) << "the second copy came back from checkSingleInstance";
    EXPECT_FALSE(fileExists(posedTempDir)) << "the hand-over leaves the temporary directory behind";
    EXPECT_TRUE(logged(L"single instance mode\r\n")) << log();
    EXPECT_TRUE(logged(L"semaphore name " + widenBytes(name) + L", code 183, value ")) << log();
    EXPECT_TRUE(logged(L"other pid " + std::to_wstring(first.pid()) + L"\r\n")) << log();
    EXPECT_TRUE(logged(L"exiting\r\n")) << log();
    EXPECT_FALSE(logged(L"found window"));
    EXPECT_EQ(registeredPid(ownPath_), first.pid()) << "the second copy registered itself";

    EXPECT_EQ(first.release().exitCode, static_cast<DWORD>(kRoleReturnedExitCode));
}

TEST_F(SingleInstance, HandOverBringsTheRunningCopysWindowsToTheFront) {
    WindowDesktop desktop;
    HoldingCopy first(testProgramPath(), L"--desktop " + desktop.name() + L" 10005=1 200=1 --window");
    ASSERT_TRUE(first.waitUntilHolding());
    ASSERT_EQ(first.report()["window"], "1");
    RunResult second = runSecondCopy(L"--desktop " + desktop.name() + L" 10005=1 200=1 10008=1");
    EXPECT_EQ(second.exitCode, 0u);
    std::wstring text = log();
    size_t found = text.find(L"found window ");
    ASSERT_NE(found, std::wstring::npos) << text;
    size_t restore = text.find(L"restore\r\n", found);
    size_t foreground = text.find(L"foreground\r\n", restore);
    size_t popup = text.find(L"popup\r\n", foreground);
    EXPECT_NE(restore, std::wstring::npos) << text;
    EXPECT_NE(foreground, std::wstring::npos) << text;
    EXPECT_NE(popup, std::wstring::npos) << text;
    EXPECT_NE(text.find(L"done\r\n", popup), std::wstring::npos) << text;
    EXPECT_LT(text.find(L"exiting"), std::wstring::npos);
    first.release();
}

TEST_F(SingleInstance, WindowThatDoesNotAnswerDelaysTheHandOverBySecondsOnly) {
    WindowDesktop desktop;
    HoldingCopy first(testProgramPath(), L"--desktop " + desktop.name() + L" 10005=1 200=1 --window --deaf");
    ASSERT_TRUE(first.waitUntilHolding());
    ASSERT_EQ(first.report()["window"], "1");
    DWORD start = GetTickCount();
    RunResult second = runSecondCopy(L"--desktop " + desktop.name() + L" 10005=1 200=1 10008=1");
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_LT(elapsed, 10000u);
    std::wstring text = log();
    size_t found = text.find(L"found window ");
    EXPECT_NE(found, std::wstring::npos) << text;
    size_t unfinished = text.find(L"window activation unfinished after 3000 ms\r\n", found);
    EXPECT_NE(unfinished, std::wstring::npos) << text;
    EXPECT_NE(text.find(L"exiting\r\n", unfinished), std::wstring::npos) << text;
    first.release();
}

// Programs that start and end beside it, as in a full run of many cases: a
// window call of the hand-over may then wait on a busy desktop, and the copy
// must still end in its bounded time.
struct ProgramChurn {
    volatile LONG stop = 0;
    static DWORD WINAPI run(void *parameter) {
        ProgramChurn *churn = static_cast<ProgramChurn *>(parameter);
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        std::wstring command = std::wstring(system) + L"\\cmd.exe";
        while (InterlockedCompareExchange(&churn->stop, 0, 0) == 0)
            runProgram(command, L"/c exit");
        return 0;
    }
};

TEST_F(SingleInstance, HandOverEndsInTimeWhileOtherProgramsStartAndEnd) {
    WindowDesktop desktop;
    HoldingCopy first(testProgramPath(), L"--desktop " + desktop.name() + L" 10005=1 200=1 --window");
    ASSERT_TRUE(first.waitUntilHolding());
    ProgramChurn churn;
    HANDLE threads[4];
    for (HANDLE &thread : threads)
        thread = CreateThread(nullptr, 0, ProgramChurn::run, &churn, 0, nullptr);
    for (int round = 0; round < 3; round++) {
        DWORD start = GetTickCount();
        RunResult second = runSecondCopy(L"--desktop " + desktop.name() + L" 10005=1 200=1 10008=1");
        EXPECT_EQ(second.exitCode, 0u) << round;
        EXPECT_LT(GetTickCount() - start, 15000u) << round << "\n" << log();
    }
    InterlockedExchange(&churn.stop, 1);
    WaitForMultipleObjects(4, threads, TRUE, 60000);
    for (HANDLE thread : threads)
        CloseHandle(thread);
    first.release();
}

TEST_F(SingleInstance, UnreadablePidStillEndsTheSecondCopyAfterFiveSeconds) {
    WindowDesktop desktop;
    HoldingCopy first(testProgramPath(), L"--desktop " + desktop.name() + L" 10005=1 200=1 --window");
    ASSERT_TRUE(first.waitUntilHolding());
    ASSERT_EQ(first.report()["window"], "1");
    deletePidValue(ownPath_);
    DWORD start = GetTickCount();
    RunResult second = runSecondCopy(L"--desktop " + desktop.name() + L" 10005=1 200=1 10008=1");
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_GE(elapsed, 4500u);
    EXPECT_TRUE(logged(L"other pid 0\r\n")) << log();
    EXPECT_FALSE(logged(L"found window")) << log();
    first.release();
}

TEST_F(SingleInstance, PathKeepsItsBlanksInTheRegistryButNotInTheName) {
    std::wstring copyDirectory = directory_.file(L"Program Files x");
    std::wstring copy = copyDirectory + L"\\App Copy.exe";
    ASSERT_TRUE(CreateDirectoryW(copyDirectory.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(testProgramPath().c_str(), copy.c_str(), FALSE));
    std::string copyPath = instancePathOf(copy);
    PidValuesRemoved copyCleanup{copyPath};
    ASSERT_NE(copyPath.find("program files x\\app copy.exe"), std::string::npos);

    // The same settings at another path: no exclusion.
    HoldingCopy first(testProgramPath(), L"10005=1 200=1");
    ASSERT_TRUE(first.waitUntilHolding());
    RunResult second = runSecondCopy(L"10005=1 200=1", copy);
    EXPECT_EQ(second.exitCode, static_cast<DWORD>(kRoleReturnedExitCode));
    auto report = readRoleReport(secondReport());
    EXPECT_EQ(report["semaphore"], "Local\\" + underscored(copyPath));
    EXPECT_EQ(report["semaphore"].find(' '), std::string::npos);
    EXPECT_EQ(registeredPid(copyPath), std::stoul("0" + report["pid"]));
    EXPECT_EQ(registeredPid(ownPath_), first.pid());
    first.release();
}

// The semaphores stay open until this process ends, so the numbers go on.
TEST(MultipleInstances, EachCopyTakesTheNextFreeNumber) {
    Settings settings{{{record::kInstancePerSession, "1"}}, {}};
    std::string name = "Local\\" + underscored(instancePathOf(testProgramPath()));
    InstanceSemaphore firstSemaphore = checkSingleInstance(settings, false);
    std::string first = firstSemaphore.name;
    InstanceSemaphore secondSemaphore = checkSingleInstance(settings, false);
    std::string second = secondSemaphore.name;
    ASSERT_EQ(first.compare(0, name.size(), name), 0) << first;
    int n = std::stoi(first.substr(name.size()));
    EXPECT_EQ(second, name + std::to_string(n + 1));

    ScratchDirectory directory;
    RunResult other = runProgram(testProgramPath(), std::wstring(ROLE_INSTANCE) + L" " +
                                                        inQuotes(directory.file(L"report.txt")) + L" 200=1");
    EXPECT_EQ(other.exitCode, static_cast<DWORD>(kRoleReturnedExitCode));
    EXPECT_EQ(readRoleReport(directory.file(L"report.txt"))["semaphore"], name + std::to_string(n + 2));
}

TEST(MultipleInstances, AllSessionsAndPerUserNamesAreGlobal) {
    std::string path = underscored(instancePathOf(testProgramPath()));
    {
        Settings settings{{{record::kInstanceAllSessions, "1"}, {record::kInstancePerSession, "1"}}, {}};
        std::string name = checkSingleInstance(settings, false).name;
        EXPECT_EQ(name.rfind("Global\\" + path, 0), 0u) << name;
    }
    std::string name = checkSingleInstance(Settings(), false).name;
    EXPECT_EQ(name.rfind("Global\\S-1-", 0), 0u) << name;
    EXPECT_NE(name.find(path), std::string::npos) << name;
    EXPECT_EQ(name.find('\\', 7), std::string::npos) << name;
}

TEST(InstancePid, RegisteredValueReadsBackAndOtherSizesReadAsZero) {
    std::string path = instancePathOf(testProgramPath());
    PidValuesRemoved cleanup{path};
    EXPECT_EQ(readInstancePid(), 0u);
    registerInstancePid();
    EXPECT_EQ(readInstancePid(), GetCurrentProcessId());
    EXPECT_EQ(registeredPid(path), GetCurrentProcessId());
    setRawPidValue(path, std::string("\x01\x02", 2));
    EXPECT_EQ(readInstancePid(), 0u);
    setRawPidValue(path, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
    EXPECT_EQ(readInstancePid(), 0u);
    setRawPidValue(path, std::string("\x39\x30\x00\x00", 4));
    EXPECT_EQ(readInstancePid(), 12345u);
}

}  // namespace

// Any user may create the name first. The worker of a service must then end
// as a failure (the host would report a clean stop for 0), and the semaphore
// it does create must not let others change its rights.
TEST_F(SingleInstance, PlantedSemaphoreFailsAServiceWorkerAndOwnSemaphoresArePrivate) {
    std::string name = "Global\\" + underscored(ownPath_);
    SECURITY_DESCRIPTOR open;
    InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES planted = {sizeof planted, &open, FALSE};
    HANDLE attacker = CreateSemaphoreA(&planted, 1, 1, name.c_str());
    ASSERT_NE(attacker, nullptr);
    RunResult worker = runSecondCopy(L"10005=1 158=1 --service-worker");
    EXPECT_EQ(worker.exitCode, 1u);
    EXPECT_TRUE(logged(L"another instance holds " + widenBytes(name) + L"; the service worker ends with exit code 1"))
        << log();
    // With its record the worker runs: the Service Control Manager already keeps to one.
    worker = runSecondCopy(L"10005=1 158=1 30401=1 --service-worker");
    EXPECT_EQ(worker.exitCode, static_cast<DWORD>(kRoleReturnedExitCode));
    std::wstring secondLog = readUtf8File(logRoot_.file(L"zno_nlog_2.log"));
    EXPECT_NE(secondLog.find(L"another instance holds " + widenBytes(name) + L"; the service worker runs all the same"),
              std::wstring::npos) << secondLog;
    CloseHandle(attacker);

    InstanceSemaphore semaphore = checkSingleInstance(Settings{{{record::kInstanceAllSessions, "1"}}, {}}, false);
    HANDLE own = OpenSemaphoreA(READ_CONTROL, FALSE, semaphore.name.c_str());
    ASSERT_NE(own, nullptr);
    unsigned char buffer[4096];
    DWORD needed = 0, revision = 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    ASSERT_TRUE(GetKernelObjectSecurity(own, DACL_SECURITY_INFORMATION, buffer, sizeof buffer, &needed));
    ASSERT_TRUE(GetSecurityDescriptorDacl(buffer, &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl != nullptr) << "a null DACL";
    EXPECT_EQ(dacl->AceCount, 3u) << "the user, the administrators, everyone to see it";
    GetSecurityDescriptorControl(buffer, &control, &revision);
    EXPECT_NE(control & SE_DACL_PROTECTED, 0);
    CloseHandle(own);
}
