// The service host under Wine's Service Control Manager: this program is
// registered as the service and runs the launcher's serviceMain; its worker
// is this program again and reports what it saw (service_roles.h).
#include <gtest/gtest.h>

#include <algorithm>

#include "common/text.h"
#include "config/process_role.h"
#include "entry/command_line.h"
#include "entry/service_host.h"
#include "tests/service/service_roles.h"
#include "tests/service/test_service.h"
#include "tests/support/launcher_harness.h"

namespace {

const wchar_t kPriorityKey[] = L"SOFTWARE\\Marrowfield\\pellux\\priority";

class ServiceHost : public ::testing::Test {
protected:
    // Registers this program as a host with the flags.
    void registerHost(const std::wstring &flags) {
        service_.reset(new TestService(hostBinaryPath(program_, reports_.path(), flags)));
        ASSERT_TRUE(service_->registered());
    }
    void startHost(const std::wstring &flags, const std::vector<std::wstring> &arguments = {}) {
        registerHost(flags);
        SetLastError(0xdeadbeef);
        ASSERT_TRUE(service_->start(arguments)) << GetLastError();
    }
    // A host that stops without a worker may win the race with Wine's
    // StartServiceW, which then fails with ERROR_SERVICE_REQUEST_TIMEOUT.
    void startHostThatStopsAtOnce(const std::wstring &flags, const std::vector<std::wstring> &arguments = {}) {
        registerHost(flags);
        SetLastError(0xdeadbeef);
        if (!service_->start(arguments)) {
            ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT));
        }
    }
    // Waits until the host has logged its last line and reported its last state.
    void waitForHostEnd(const std::wstring &lastLine, DWORD lastState = SERVICE_STOPPED) {
        ASSERT_TRUE(waitForLogLine(lastLine)) << hostLog();
        ASSERT_TRUE(service_->waitForState(lastState));
    }
    bool waitForLogLine(const std::wstring &line) {
        for (DWORD waited = 0; waited < kServiceTimeoutMs; waited += 50) {
            if (hostLog().find(line) != std::wstring::npos)
                return true;
            Sleep(50);
        }
        return false;
    }
    std::wstring hostLog() const { return readUtf8File(reports_.file(kHostLogFile)); }
    std::string report(const wchar_t *file) const { return readFileBytes(reports_.file(file)); }

    ScratchDirectory reports_;
    std::wstring program_ = thisProgram();
    std::unique_ptr<TestService> service_;
};

TEST_F(ServiceHost, RunningServiceReportsItsStatusAndAnswersInterrogation) {
    startHost(L"");
    ASSERT_TRUE(waitForFile(reports_.file(kWorkerStartedFile))) << "the worker's output was not drained";
    SERVICE_STATUS_PROCESS running = service_->status();
    EXPECT_EQ(running.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    // The host reports the type 0x30; Wine keeps the registered type instead.
    EXPECT_EQ(running.dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(running.dwControlsAccepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN));
    EXPECT_EQ(running.dwWaitHint, 50000u);
    EXPECT_EQ(running.dwCheckPoint, 0u);
    EXPECT_EQ(running.dwWin32ExitCode, 0u);

    SERVICE_STATUS status = {};
    SetLastError(0xdeadbeef);
    ASSERT_TRUE(service_->control(SERVICE_CONTROL_INTERROGATE, status)) << GetLastError();
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_NE(hostLog().find(L"control handler request 4"), std::wstring::npos);
}

TEST_F(ServiceHost, StopRequestReachesWorkerInputAndStopsTheService) {
    startHost(L"");
    ASSERT_TRUE(waitForFile(reports_.file(kWorkerStartedFile)));
    SERVICE_STATUS status = {};
    SetLastError(0xdeadbeef);
    ASSERT_TRUE(service_->control(SERVICE_CONTROL_STOP, status)) << GetLastError();
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_EQ(status.dwWaitHint, 50000u);
    waitForHostEnd(L"exiting");

    EXPECT_EQ(report(kWorkerInputFile), "0\n");
    SERVICE_STATUS_PROCESS stopped = service_->status();
    EXPECT_EQ(stopped.dwWin32ExitCode, 0u);
    std::wstring log = hostLog();
    EXPECT_TRUE(inOrder(log, {L"service main", L"service name is '" + service_->name() + L"'",
                              L"registering ConsoleCtrlHandler", L"control handler request 1",
                              L"sending shutdown1 0", L"shutdown sent", L"process terminated with exit code 0",
                              L"service stopped set", L"exiting"}))
        << log;
    // The drain's last line races the host's own end, which does not wait for it.
    EXPECT_TRUE(inOrder(log, {L"consuming output"})) << log;
}

TEST_F(ServiceHost, WorkerCommandLineCarriesNameAndStartArgumentsQuoted) {
    // No empty argument: Wine's StartServiceW ends the argument list at one.
    startHost(L"--worker-exit=0", {L"a b", L"c", L"x\"y", L"tab\there"});
    waitForHostEnd(L"exiting");
    std::string expected = narrowBytes(program_) + " \"" + narrowBytes(service_->name()) + "\" --host " +
                           narrowBytes(reports_.path()) +
                           " --worker-exit=0 \"a b\" c \"x\"\"y\" \"tab\there\" __zno_restart";
    EXPECT_EQ(report(kWorkerCommandLineFile), expected);
    // What the worker's own split makes of it: every argument whole, the marker last.
    StringList tokens;
    splitCommandLine(widenBytes(expected).c_str(), tokens);
    EXPECT_EQ(tokens, (StringList{program_, service_->name(), L"--host", reports_.path(), L"--worker-exit=0", L"a b",
                                  L"c", L"x\"y", L"tab\there", L"__zno_restart"}));
}

TEST_F(ServiceHost, WorkerEndingWithZeroOnItsOwnStopsTheService) {
    startHost(L"--worker-exit=0");
    waitForHostEnd(L"exiting");
    EXPECT_EQ(service_->status().dwWin32ExitCode, 0u);
    std::wstring log = hostLog();
    EXPECT_TRUE(inOrder(log, {L"process terminated with exit code 0", L"service stopped set", L"exiting"})) << log;
}

// The host leaves its last report at running, so that the Service Control
// Manager sees the service process end unexpectedly. Wine keeps showing that
// last report; Windows would record the unexpected end.
TEST_F(ServiceHost, WorkerFailingOnItsOwnLeavesTheServiceReportedRunning) {
    startHost(L"--worker-exit=1");
    waitForHostEnd(L"exiting", SERVICE_RUNNING);
    std::wstring log = hostLog();
    EXPECT_TRUE(inOrder(log, {L"process terminated with exit code 1", L"exiting"})) << log;
    EXPECT_EQ(log.find(L"service stopped set"), std::wstring::npos) << log;
}

TEST_F(ServiceHost, WorkerThatCannotBeStartedStopsWithServiceSpecificError) {
    // The host is a copy that renames itself, so its worker's path is gone.
    std::wstring copy = reports_.file(L"host-copy.exe");
    ASSERT_TRUE(CopyFileW(program_.c_str(), copy.c_str(), FALSE));
    program_ = copy;
    startHostThatStopsAtOnce(kWorkerMissingFlag);
    waitForHostEnd(L"could not start process");
    SERVICE_STATUS_PROCESS stopped = service_->status();
    EXPECT_EQ(stopped.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(stopped.dwServiceSpecificExitCode, 5000u);
    EXPECT_NE(hostLog().find(L"could not start process " + copy + L" \"" + service_->name() + L"\""),
              std::wstring::npos)
        << hostLog();
    EXPECT_FALSE(fileExists(reports_.file(kWorkerCommandLineFile)));
}

TEST_F(ServiceHost, WorkerCommandLineBeyondItsCapacityIsRefusedNotCut) {
    startHostThatStopsAtOnce(L"", {std::wstring(4000, L'a'), std::wstring(4000, L'b'),
                                   std::wstring(4000, L'c')});
    waitForHostEnd(L"does not fit");
    SERVICE_STATUS_PROCESS stopped = service_->status();
    EXPECT_EQ(stopped.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(stopped.dwServiceSpecificExitCode, 5000u);
    EXPECT_NE(hostLog().find(L"ERROR: the worker command line does not fit 12000 characters"), std::wstring::npos)
        << hostLog();
    EXPECT_FALSE(fileExists(reports_.file(kWorkerCommandLineFile)));
}

TEST_F(ServiceHost, StopRequestBeforeTheWorkerStartsIsNotLost) {
    startHostThatStopsAtOnce(kEarlyStopFlag);
    waitForHostEnd(L"not starting it");
    EXPECT_EQ(service_->status().dwWin32ExitCode, 0u);
    EXPECT_FALSE(fileExists(reports_.file(kWorkerCommandLineFile))) << "the worker ran although a stop came first";
    std::wstring log = hostLog();
    EXPECT_TRUE(inOrder(log, {L"control handler request 1", L"SetServiceStatus 2 failed",
                              L"stop request before the worker started",
                              L"service main", L"stop requested before the worker started: not starting it"}))
        << log;
}

TEST_F(ServiceHost, ShutdownRequestAdvancesTheCheckpointOnceAndStopsTheWorker) {
    startHost(std::wstring(kDeliverFlag) + L"5");
    waitForHostEnd(L"exiting");
    EXPECT_EQ(report(kWorkerInputFile), "0\n");
    EXPECT_EQ(service_->status().dwCheckPoint, 1u);
    std::wstring log = hostLog();
    EXPECT_TRUE(inOrder(log, {L"control handler request 5", L"sending shutdown1 0", L"shutdown sent",
                              L"process terminated with exit code 0", L"service stopped set"}))
        << log;
}

TEST_F(ServiceHost, SecondStopRequestIsLoggedAndHarmless) {
    startHost(std::wstring(kDeliverFlag) + L"1,1 " + kWorkerLingerFlag);
    waitForHostEnd(L"exiting");
    EXPECT_EQ(report(kWorkerInputFile), "0\n");
    EXPECT_EQ(service_->status().dwWin32ExitCode, 0u);
    std::wstring log = hostLog();
    EXPECT_TRUE(inOrder(log, {L"shutdown sent", L"control handler request 1", L"sending shutdown1 0",
                              L"sending shutdown failed", L"error code 6", L"shutdown sent",
                              L"process terminated with exit code 0", L"service stopped set"}))
        << log;
}

TEST_F(ServiceHost, WorkerRunsWithThePriorityClassFromTheRegistry) {
    registerHost(L"--worker-exit=0");
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPriorityKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD idle = IDLE_PRIORITY_CLASS;
    RegSetValueExW(key, service_->name().c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE *>(&idle), sizeof idle);
    bool started = service_->start();
    waitForHostEnd(L"exiting");
    RegDeleteValueW(key, service_->name().c_str());
    RegCloseKey(key);
    ASSERT_TRUE(started);
    EXPECT_TRUE(inOrder(hostLog(), {L"using priority 64", L"process terminated with exit code 0"})) << hostLog();
    // The worker's own GetPriorityClass cannot confirm it: Wine starts every
    // process with normal priority whatever the creation flags ask for.
}

// Only the system sends pre-shutdown; here the host's handler gets it as the
// Service Control Manager would deliver it. The worker never reads its input.
TEST_F(ServiceHost, PreshutdownStopsWithinTheBudgetAndEndsAWorkerThatIgnoresIt) {
    startHost(std::wstring(kRecordsFlag) + L"30000:3,30001:8 " + kDeliverFlag + L"15 " + kWorkerIgnoreInputFlag);
    ASSERT_TRUE(waitForFile(reports_.file(kWorkerPidFile)));
    DWORD worker = static_cast<DWORD>(std::stoul(report(kWorkerPidFile)));
    std::vector<DWORD> checkpoints;
    DWORD pendingSince = 0, accepted = 0, start = GetTickCount();
    SERVICE_STATUS_PROCESS status = service_->status();
    while (status.dwCurrentState != SERVICE_STOPPED && GetTickCount() - start < kServiceTimeoutMs) {
        if (status.dwCurrentState == SERVICE_STOP_PENDING) {
            pendingSince = pendingSince ? pendingSince : GetTickCount();
            accepted = status.dwControlsAccepted;
            EXPECT_LE(status.dwWaitHint, 8000u) << "the rest of the budget and 5 s";
            if (checkpoints.empty() || checkpoints.back() != status.dwCheckPoint)
                checkpoints.push_back(status.dwCheckPoint);
        }
        Sleep(100);
        status = service_->status();
    }
    ASSERT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED)) << hostLog();
    ASSERT_NE(pendingSince, 0u);
    EXPECT_LE(GetTickCount() - pendingSince, 6000u) << "budget + 3 s";
    EXPECT_EQ(accepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_PRESHUTDOWN));
    EXPECT_GE(checkpoints.size(), 2u);
    EXPECT_TRUE(std::is_sorted(checkpoints.begin(), checkpoints.end()));
    EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(status.dwServiceSpecificExitCode, 5001u);
    EXPECT_TRUE(waitForProcessEnd(worker, 1000)) << "the worker outlived its stop";
    waitForHostEnd(L"exiting");
    std::wstring log = hostLog();
    EXPECT_TRUE(inOrder(log, {L"control handler request 15", L"sending shutdown1 0", L"shutdown sent",
                              L"the worker did not stop within 3 s: ending it", L"TerminateProcess result 1 (0)",
                              L"process terminated with exit code 5001", L"service stopped set", L"exiting"}))
        << log;
}

// Its input reaching its end cannot end a worker that ignores it; the job can.
TEST_F(ServiceHost, WorkerEndsWithAHostKilledFromOutside) {
    startHost(std::wstring(kRecordsFlag) + L"30002:1 " + kWorkerIgnoreInputFlag);
    ASSERT_TRUE(waitForFile(reports_.file(kWorkerPidFile)));
    DWORD worker = static_cast<DWORD>(std::stoul(report(kWorkerPidFile)));
    HANDLE host = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, service_->status().dwProcessId);
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(TerminateProcess(host, 1));
    WaitForSingleObject(host, 5000);
    CloseHandle(host);
    bool ended = waitForProcessEnd(worker, 5000);
    EXPECT_TRUE(ended) << "the worker outlived its host";
    EXPECT_NE(hostLog().find(L"the worker ends with the host"), std::wstring::npos) << hostLog();
    if (!ended) {
        HANDLE orphan = OpenProcess(PROCESS_TERMINATE, FALSE, worker);
        TerminateProcess(orphan, 1);
        CloseHandle(orphan);
    }
}

// In process: only a value of exactly four bytes counts, whatever its type,
// and only when it is one priority class.
TEST(PriorityClass, OnlyAFourByteValueUnderTheServiceNameCounts) {
    std::wstring name = uniqueServiceName();
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPriorityKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD below = BELOW_NORMAL_PRIORITY_CLASS;
    const unsigned long long wide = IDLE_PRIORITY_CLASS;
    const unsigned short narrow = IDLE_PRIORITY_CLASS;

    EXPECT_EQ(readPriorityClass(name.c_str()), static_cast<DWORD>(NORMAL_PRIORITY_CLASS)) << "no value";
    RegSetValueExW(key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE *>(&below), sizeof below);
    EXPECT_EQ(readPriorityClass(name.c_str()), static_cast<DWORD>(BELOW_NORMAL_PRIORITY_CLASS)) << "four binary bytes";
    RegSetValueExW(key, name.c_str(), 0, REG_QWORD, reinterpret_cast<const BYTE *>(&wide), sizeof wide);
    EXPECT_EQ(readPriorityClass(name.c_str()), static_cast<DWORD>(NORMAL_PRIORITY_CLASS)) << "eight bytes";
    RegSetValueExW(key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE *>(&narrow), sizeof narrow);
    EXPECT_EQ(readPriorityClass(name.c_str()), static_cast<DWORD>(NORMAL_PRIORITY_CLASS)) << "two bytes";
    // Extra bits would reach CreateProcess as creation flags of the worker.
    const DWORD flagged = IDLE_PRIORITY_CLASS | CREATE_NEW_CONSOLE | CREATE_BREAKAWAY_FROM_JOB;
    RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE *>(&flagged), sizeof flagged);
    EXPECT_EQ(readPriorityClass(name.c_str()), static_cast<DWORD>(NORMAL_PRIORITY_CLASS)) << "a priority class with flags";

    RegDeleteValueW(key, name.c_str());
    RegCloseKey(key);
}

}  // namespace
