// The service host under Wine's Service Control Manager: this program is
// registered as the service and runs the launcher's serviceMain; its worker
// is this program again and reports what it saw (service_roles.h).
#include <gtest/gtest.h>

#include <algorithm>

#include "common/split_command_line.h"
#include "common/text.h"
#include "config/process_role.h"
#include "service/service_host.h"
#include "tests/service/service_roles.h"
#include "tests/service/test_service.h"
#include "tests/support/launcher_harness.h"

namespace {

const wchar_t kPriorityKey[] = L"SOFTWARE\\Marrowfield\\pellux\\priority";

using Event = HostEventKind;

// An event as a test expects it: its kind and value.
struct Expected {
    Event kind;
    int32_t value = 0;
};

size_t findEvent(const std::vector<RecordedEvent> &events, Expected expected, size_t from = 0) {
    for (size_t i = from; i < events.size(); i++) {
        if (events[i].kind == expected.kind && events[i].value == expected.value)
            return i;
    }
    return events.size();
}

bool hasEvent(const std::vector<RecordedEvent> &events, Expected expected) {
    return findEvent(events, expected) != events.size();
}

// The expected events appear in this order, others between them.
bool eventsInOrder(const std::vector<RecordedEvent> &events, const std::vector<Expected> &expected) {
    size_t at = 0;
    for (const Expected &next : expected) {
        at = findEvent(events, next, at);
        if (at == events.size())
            return false;
        at++;
    }
    return true;
}

// For failure messages: "kind value error text" a line, as recorded.
std::string shown(const std::vector<RecordedEvent> &events) {
    std::string text;
    for (const RecordedEvent &event : events)
        text += std::to_string(static_cast<int>(event.kind)) + " " + std::to_string(event.value) + " " +
                std::to_string(event.error) + " " + narrowBytes(event.text) + "\n";
    return text;
}

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
    // Waits until the host has sent its last event and reported its last state.
    void waitForHostEnd(Expected last = {Event::HostExiting}, DWORD lastState = SERVICE_STOPPED) {
        ASSERT_TRUE(waitForEvent(last)) << shown(events());
        ASSERT_TRUE(service_->waitForState(lastState));
    }
    bool waitForEvent(Expected expected) {
        for (DWORD waited = 0; waited < kServiceTimeoutMs; waited += 50) {
            if (hasEvent(events(), expected))
                return true;
            Sleep(50);
        }
        return false;
    }
    std::vector<RecordedEvent> events() const { return readHostEvents(reports_.file(kHostEventsFile)); }
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
    EXPECT_TRUE(hasEvent(events(), {Event::ControlReceived, SERVICE_CONTROL_INTERROGATE})) << shown(events());
}

TEST_F(ServiceHost, StopRequestReachesWorkerInputAndStopsTheService) {
    startHost(L"");
    ASSERT_TRUE(waitForFile(reports_.file(kWorkerStartedFile)));
    SERVICE_STATUS status = {};
    SetLastError(0xdeadbeef);
    ASSERT_TRUE(service_->control(SERVICE_CONTROL_STOP, status)) << GetLastError();
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_EQ(status.dwWaitHint, 50000u);
    waitForHostEnd();

    EXPECT_EQ(report(kWorkerInputFile), "0\n");
    SERVICE_STATUS_PROCESS stopped = service_->status();
    EXPECT_EQ(stopped.dwWin32ExitCode, 0u);
    std::vector<RecordedEvent> seen = events();
    EXPECT_TRUE(eventsInOrder(seen, {{Event::ServiceMainStarted}, {Event::ServiceNamed}, {Event::WorkerStarted},
                                     {Event::WaitingForWorker}, {Event::ControlReceived, SERVICE_CONTROL_STOP},
                                     {Event::StopLineSending, 0}, {Event::StopLineSent}, {Event::WorkerExited, 0},
                                     {Event::StatusReported, SERVICE_STOPPED}, {Event::StoppedReported},
                                     {Event::HostExiting}}))
        << shown(seen);
    size_t named = findEvent(seen, {Event::ServiceNamed});
    ASSERT_LT(named, seen.size());
    EXPECT_EQ(seen[named].text, service_->name());
    // The drain's end races the host's own end, which does not wait for it.
    EXPECT_TRUE(hasEvent(seen, {Event::OutputDrainStarted})) << shown(seen);
    EXPECT_NE(hostLog().find(L"event 102 written"), std::wstring::npos) << hostLog();
    EXPECT_NE(hostLog().find(L"event 103 written"), std::wstring::npos);
    EXPECT_EQ(hostLog().find(L"event 104"), std::wstring::npos) << "a requested stop is no end of its own";
}

TEST_F(ServiceHost, WorkerCommandLineCarriesNameAndStartArgumentsQuoted) {
    // No empty argument: Wine's StartServiceW ends the argument list at one.
    startHost(L"--worker-exit=0", {L"a b", L"c", L"x\"y", L"tab\there"});
    waitForHostEnd();
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
    waitForHostEnd();
    EXPECT_EQ(service_->status().dwWin32ExitCode, 0u);
    std::vector<RecordedEvent> seen = events();
    EXPECT_TRUE(eventsInOrder(seen, {{Event::WorkerExited, 0}, {Event::StoppedReported}, {Event::HostExiting}}))
        << shown(seen);
}

// The host leaves its last report at running, so that the Service Control
// Manager sees the service process end unexpectedly. Wine keeps showing that
// last report; Windows would record the unexpected end.
TEST_F(ServiceHost, WorkerFailingOnItsOwnLeavesTheServiceReportedRunning) {
    startHost(L"--worker-exit=1");
    waitForHostEnd({Event::HostExiting}, SERVICE_RUNNING);
    std::vector<RecordedEvent> seen = events();
    EXPECT_TRUE(eventsInOrder(seen, {{Event::WorkerExited, 1}, {Event::HostExiting}})) << shown(seen);
    EXPECT_FALSE(hasEvent(seen, {Event::StoppedReported})) << shown(seen);
    EXPECT_NE(hostLog().find(L"event 104 written"), std::wstring::npos) << hostLog();
}

TEST_F(ServiceHost, WorkerThatCannotBeStartedStopsWithServiceSpecificError) {
    // The host is a copy that renames itself, so its worker's path is gone.
    std::wstring copy = reports_.file(L"host-copy.exe");
    ASSERT_TRUE(CopyFileW(program_.c_str(), copy.c_str(), FALSE));
    program_ = copy;
    startHostThatStopsAtOnce(kWorkerMissingFlag);
    waitForHostEnd({Event::WorkerStartFailed});
    SERVICE_STATUS_PROCESS stopped = service_->status();
    EXPECT_EQ(stopped.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(stopped.dwServiceSpecificExitCode, 5000u);
    std::vector<RecordedEvent> seen = events();
    size_t failed = findEvent(seen, {Event::WorkerStartFailed});
    ASSERT_LT(failed, seen.size());
    EXPECT_EQ(seen[failed].text.find(copy + L" \"" + service_->name() + L"\""), 0u) << shown(seen);
    EXPECT_FALSE(fileExists(reports_.file(kWorkerCommandLineFile)));
    EXPECT_NE(hostLog().find(L"event 107 written"), std::wstring::npos) << hostLog();
}

TEST_F(ServiceHost, WorkerCommandLineBeyondItsCapacityIsRefusedNotCut) {
    startHostThatStopsAtOnce(L"", {std::wstring(4000, L'a'), std::wstring(4000, L'b'),
                                   std::wstring(4000, L'c')});
    waitForHostEnd({Event::WorkerCommandLineTooLong, 12000});
    SERVICE_STATUS_PROCESS stopped = service_->status();
    EXPECT_EQ(stopped.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(stopped.dwServiceSpecificExitCode, 5000u);
    EXPECT_FALSE(fileExists(reports_.file(kWorkerCommandLineFile)));
}

TEST_F(ServiceHost, StopRequestBeforeTheWorkerStartsIsNotLost) {
    startHostThatStopsAtOnce(kEarlyStopFlag);
    waitForHostEnd({Event::WorkerNotStartedForStop});
    EXPECT_EQ(service_->status().dwWin32ExitCode, 0u);
    EXPECT_FALSE(fileExists(reports_.file(kWorkerCommandLineFile))) << "the worker ran although a stop came first";
    std::vector<RecordedEvent> seen = events();
    // Before the dispatcher there is no status handle to report with.
    EXPECT_TRUE(eventsInOrder(seen, {{Event::ControlReceived, SERVICE_CONTROL_STOP}, {Event::StatusReportFailed, 2},
                                     {Event::StopBeforeWorker}, {Event::ServiceMainStarted},
                                     {Event::WorkerNotStartedForStop}}))
        << shown(seen);
}

TEST_F(ServiceHost, ShutdownRequestAdvancesTheCheckpointOnceAndStopsTheWorker) {
    startHost(std::wstring(kDeliverFlag) + L"5");
    waitForHostEnd();
    EXPECT_EQ(report(kWorkerInputFile), "0\n");
    EXPECT_EQ(service_->status().dwCheckPoint, 1u);
    std::vector<RecordedEvent> seen = events();
    EXPECT_TRUE(eventsInOrder(seen, {{Event::ControlReceived, SERVICE_CONTROL_SHUTDOWN}, {Event::StopLineSending, 0},
                                     {Event::StopLineSent}, {Event::WorkerExited, 0}, {Event::StoppedReported}}))
        << shown(seen);
}

TEST_F(ServiceHost, SecondStopRequestIsLoggedAndHarmless) {
    startHost(std::wstring(kDeliverFlag) + L"1,1 " + kWorkerLingerFlag);
    waitForHostEnd();
    EXPECT_EQ(report(kWorkerInputFile), "0\n");
    EXPECT_EQ(service_->status().dwWin32ExitCode, 0u);
    std::vector<RecordedEvent> seen = events();
    EXPECT_TRUE(eventsInOrder(seen, {{Event::StopLineSent}, {Event::ControlReceived, SERVICE_CONTROL_STOP},
                                     {Event::StopLineSending, 0}, {Event::StopLineFailed}, {Event::StopLineSent},
                                     {Event::WorkerExited, 0}, {Event::StoppedReported}}))
        << shown(seen);
    size_t failed = findEvent(seen, {Event::StopLineFailed});
    ASSERT_LT(failed, seen.size());
    EXPECT_EQ(seen[failed].error, ERROR_INVALID_HANDLE);
}

TEST_F(ServiceHost, WorkerRunsWithThePriorityClassFromTheRegistry) {
    registerHost(L"--worker-exit=0");
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPriorityKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD idle = IDLE_PRIORITY_CLASS;
    RegSetValueExW(key, service_->name().c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE *>(&idle), sizeof idle);
    bool started = service_->start();
    waitForHostEnd();
    RegDeleteValueW(key, service_->name().c_str());
    RegCloseKey(key);
    ASSERT_TRUE(started);
    EXPECT_NE(hostLog().find(L"using priority 64"), std::wstring::npos) << hostLog();
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
    ASSERT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED)) << shown(events());
    ASSERT_NE(pendingSince, 0u);
    EXPECT_LE(GetTickCount() - pendingSince, 6000u) << "budget + 3 s";
    EXPECT_EQ(accepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_PRESHUTDOWN));
    EXPECT_GE(checkpoints.size(), 2u);
    EXPECT_TRUE(std::is_sorted(checkpoints.begin(), checkpoints.end()));
    EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(status.dwServiceSpecificExitCode, 5001u);
    EXPECT_TRUE(waitForProcessEnd(worker, 1000)) << "the worker outlived its stop";
    waitForHostEnd();
    std::vector<RecordedEvent> seen = events();
    EXPECT_TRUE(eventsInOrder(seen, {{Event::ControlReceived, SERVICE_CONTROL_PRESHUTDOWN}, {Event::StopLineSending, 0},
                                     {Event::StopLineSent}, {Event::StopBudgetSpent, 3000},
                                     {Event::WorkerTerminated, 1}, {Event::WorkerExited, 5001},
                                     {Event::StoppedReported}, {Event::HostExiting}}))
        << shown(seen);
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
    EXPECT_TRUE(hasEvent(events(), {Event::WorkerJoinedJob})) << shown(events());
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
