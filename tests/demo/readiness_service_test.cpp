// Readiness, the watchdog and the stop report on a real JVM behind the bridge
// runtime home: the readiness probe packaged by run-demo-test twice, by port
// and by the API (with a watchdog), its start arguments choosing what it does.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/records.h"
#include "common/text.h"
#include "tests/service/test_service.h"
#include "tests/support/launcher_harness.h"

namespace {

const DWORD kCommandTimeoutMs = 90000;
const DWORD kReadyTimeoutMs = 8000;  // port.toml
const DWORD kStopBudgetMs = 3000;    // both projects
const DWORD kWatchdogMs = 6000;      // api.toml
const DWORD kSpareMs = 8000;

class ReadinessService : public ::testing::Test {
protected:
    void SetUp() override {
        if (GetEnvironmentVariableW(L"PELLUX_DEMO_ALSO_PACKED", nullptr, 0) == 0)
            GTEST_SKIP() << "run-demo-test packages the readiness folders only for the unsigned run";
    }
    void open(const char *folder, const wchar_t *exe) {
        folder_ = windowsPathOf(folder);
        executable_ = folder_ + L"\\" + exe;
        ASSERT_TRUE(fileExists(executable_)) << "run-demo-test did not package " << folder;
        removeReports();
        RunResult installed = command(L"/install", L"");
        ASSERT_EQ(installed.exitCode, 0u) << installed.out;
    }
    void TearDown() override {
        if (HasFailure()) {
            std::string logs;
            for (const std::wstring &log : readLogs(windowsTempDirectory()))
                logs += narrowBytes(log) + "\n";
            ADD_FAILURE() << "standard output:\n" << readFileBytes(folder_ + L"\\var\\log\\probe_out.log")
                          << "\nstandard error:\n" << readFileBytes(folder_ + L"\\var\\log\\probe_err.log")
                          << "\nlauncher logs:\n" << logs;
        }
    }
    RunResult command(const std::wstring &word, const std::wstring &arguments) {
        return runProgram(executable_, word + L" \"" + service_.name() + L"\"" + arguments, {}, kCommandTimeoutMs);
    }
    std::string said(const std::string &text) const {
        std::string shown;
        for (char c : text)
            shown += c == '\n' ? std::string("\r\n") : std::string(1, c);
        size_t at = shown.find("%S");
        if (at != std::string::npos)
            shown.replace(at, 2, narrowBytes(service_.name()));
        return shown;
    }
    std::wstring reportFolder() const { return folder_ + L"\\var\\log"; }
    std::vector<std::wstring> reports() const {
        std::vector<std::wstring> found;
        WIN32_FIND_DATAW data;
        HANDLE search = FindFirstFileW((reportFolder() + L"\\stop-report-*.txt").c_str(), &data);
        if (search == INVALID_HANDLE_VALUE)
            return found;
        do
            found.push_back(reportFolder() + L"\\" + data.cFileName);
        while (FindNextFileW(search, &data));
        FindClose(search);
        return found;
    }
    void removeReports() const {
        for (const std::wstring &report : reports())
            DeleteFileW(report.c_str());
    }
    void expectStoppedWith(DWORD specificCode) const {
        SERVICE_STATUS_PROCESS status = service_.status();
        EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
        EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
        EXPECT_EQ(status.dwServiceSpecificExitCode, specificCode);
    }
    // The only report's text.
    std::string onlyReport() const {
        std::vector<std::wstring> found = reports();
        EXPECT_EQ(found.size(), 1u);
        return found.empty() ? std::string() : readFileBytes(found.front());
    }

    std::wstring folder_;
    std::wstring executable_;
    TestService service_;
};

TEST_F(ReadinessService, PortModeStaysPendingWithRisingCheckpointsUntilTheApplicationListens) {
    open(PELLUX_READY_PORT_FOLDER, L"ReadyPort.exe");
    ChildRun start(executable_, L"/start \"" + service_.name() + L"\" listen 47811 3000", {});
    ASSERT_TRUE(start.started());
    DWORD began = GetTickCount(), firstCheckpoint = 0, lastCheckpoint = 0, pendingFor = 0;
    SERVICE_STATUS_PROCESS status = service_.status();
    while (GetTickCount() - began < kReadyTimeoutMs + kSpareMs) {
        status = service_.status();
        if (status.dwCurrentState != SERVICE_START_PENDING && lastCheckpoint != 0)
            break;
        // Before the host's first report the Service Control Manager shows its own.
        if (status.dwCurrentState == SERVICE_START_PENDING && status.dwCheckPoint != 0) {
            if (firstCheckpoint == 0)
                firstCheckpoint = status.dwCheckPoint;
            lastCheckpoint = status.dwCheckPoint;
            EXPECT_GT(status.dwWaitHint, 0u);
            pendingFor = GetTickCount() - began;
        }
        Sleep(100);
    }
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_GE(pendingFor, 2000u) << "running before the application listened";
    EXPECT_GE(lastCheckpoint, firstCheckpoint + 2) << "checkpoints about once a second";
    RunResult started = start.finish(kCommandTimeoutMs);
    EXPECT_EQ(started.exitCode, 0u);
    EXPECT_EQ(started.out, said("Starting service '%S'.\nService is running.\n"));
    EXPECT_EQ(command(L"/stop", L"").exitCode, 0u);
    EXPECT_EQ(service_.status().dwServiceSpecificExitCode, 0u);
}

TEST_F(ReadinessService, PortThatNeverOpensStopsTheApplicationWithTheReadinessCodeUnlessAStopCameFirst) {
    open(PELLUX_READY_PORT_FOLDER, L"ReadyPort.exe");
    ASSERT_TRUE(service_.start());
    DWORD began = GetTickCount();
    while (service_.status().dwCheckPoint < 2 && GetTickCount() - began < kReadyTimeoutMs)
        Sleep(100);
    SERVICE_STATUS control = {};
    EXPECT_TRUE(service_.control(SERVICE_CONTROL_STOP, control)) << GetLastError();
    EXPECT_TRUE(service_.waitForState(SERVICE_STOPPED, kStopBudgetMs + kSpareMs));
    EXPECT_EQ(service_.status().dwWin32ExitCode, 0u) << "a stop while starting is no failure";

    began = GetTickCount();
    RunResult started = command(L"/start", L"");
    DWORD took = GetTickCount() - began;
    EXPECT_EQ(started.exitCode, 1u);
    EXPECT_EQ(started.out, said("Starting service '%S'.\nService stopped before it was ready. Exit code: 1066, "
                                "service-specific 5002.\n"));
    EXPECT_GE(took, kReadyTimeoutMs);
    EXPECT_LT(took, kReadyTimeoutMs + kStopBudgetMs + kSpareMs);
    expectStoppedWith(robustness::kNotReadyExitCode);
    EXPECT_TRUE(reports().empty()) << "the application stopped within its budget: nothing to report";
}

TEST_F(ReadinessService, WatchdogEndsAnApplicationThatStoppedCallingAliveAndReportsItsFrame) {
    open(PELLUX_READY_API_FOLDER, L"ReadyApi.exe");
    RunResult started = command(L"/start", L" ready 500 hang");
    EXPECT_EQ(started.out, said("Starting service '%S'.\nService is running.\n")) << "ServiceState.ready()";
    ASSERT_EQ(started.exitCode, 0u);
    DWORD began = GetTickCount();
    ASSERT_TRUE(service_.waitForState(SERVICE_STOPPED, kWatchdogMs + kSpareMs + 5000));
    EXPECT_GE(GetTickCount() - began + 1000, kWatchdogMs - 1000);
    expectStoppedWith(robustness::kWatchdogExitCode);
    std::string report = onlyReport();
    EXPECT_NE(report.find("Reason: no sign of life"), std::string::npos) << report;
    EXPECT_NE(report.find("probe.ReadinessProbe.blockedInProbe"), std::string::npos) << report;
    EXPECT_NE(report.find("\"main\""), std::string::npos) << report;

    RunResult diagnosed = runProgram(executable_, L"/diagnose \"" + service_.name() + L"\"", {}, kCommandTimeoutMs);
    EXPECT_NE(diagnosed.out.find("watchdog: the application is ended after 6 s without a sign of life"),
              std::string::npos) << diagnosed.out;
    EXPECT_NE(diagnosed.out.find("latest stop report: " + narrowBytes(reports().front())), std::string::npos)
        << diagnosed.out;
}

TEST_F(ReadinessService, ShutdownHookPastTheStopBudgetIsNamedInTheReport) {
    open(PELLUX_READY_API_FOLDER, L"ReadyApi.exe");
    ASSERT_EQ(command(L"/start", L" slow-hook ready 0").exitCode, 0u);
    RunResult stopped = command(L"/stop", L"");
    EXPECT_EQ(stopped.out, said("Stopping service '%S'.\nService stopped\nThe application did not stop in time and "
                                "was ended.\n"));
    std::string report = onlyReport();
    EXPECT_NE(report.find("Reason: the application did not stop within service.stop.timeout"), std::string::npos)
        << report;
    EXPECT_NE(report.find("Time since the stop request: "), std::string::npos) << report;
    EXPECT_NE(report.find("Shutdown hooks still running: \"slow hook\""), std::string::npos) << report;
    EXPECT_NE(report.find("probe.ReadinessProbe.hookSleepsPastTheBudget"), std::string::npos) << report;
}

}  // namespace
