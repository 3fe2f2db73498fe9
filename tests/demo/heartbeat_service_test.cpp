// The example service as pellux-pack packaged it (run-demo-test), driven by
// its own commands under Wine's Service Control Manager on a real JVM: the
// bridge runtime home of this tree runs the Linux JDK. Each run installs it
// under a name of its own (the commands take the name after the command word).
#include <gtest/gtest.h>

#include <windows.h>

#include "common/text.h"
#include "tests/service/test_service.h"
#include "tests/support/launcher_harness.h"

namespace {

const DWORD kCommandTimeoutMs = 70000;  // a stop may wait out the host's 50 s hint
const DWORD kHeartbeatTimeoutMs = 30000;
const DWORD kStopLimitMs = 10000;
const DWORD kBeatIntervalMs = 1000;  // the project's second argument

class HeartbeatService : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        deleteLeftoverServices();
        // The prefix logs every process; only the service's processes need to.
        SetEnvironmentVariableW(L"PELLUX_LOG", nullptr);
    }
    void SetUp() override {
        removeLogs(windowsTempDirectory());
        ASSERT_TRUE(fileExists(executable_)) << "run-demo-test packages the service folder first";
    }
    void TearDown() override {
        if (HasFailure())
            printWhatTheServiceLeft();
    }

    // Runs Heartbeat.exe COMMAND "name" ARGUMENTS and checks what it said.
    void expectCommand(const std::wstring &command, const std::wstring &arguments, DWORD exitCode,
                       const std::string &out) {
        RunResult result = runProgram(executable_, command + L" \"" + service_.name() + L"\"" + arguments, {},
                                      kCommandTimeoutMs);
        EXPECT_TRUE(result.finished) << narrowBytes(command);
        EXPECT_EQ(result.exitCode, exitCode) << narrowBytes(command);
        // Install adds a warning when users may write to the folder, as
        // Wine's default permissions let them.
        std::string shown = command == L"/install" ? result.out.substr(0, said(out).size()) : result.out;
        EXPECT_EQ(shown, said(out)) << narrowBytes(command);
    }
    // The text with the service name for every "%S" and Windows line ends.
    std::string said(const std::string &format) const {
        std::string text;
        for (char c : format)
            text += c == '\n' ? std::string("\r\n") : std::string(1, c);
        for (size_t at = text.find("%S"); at != std::string::npos; at = text.find("%S", at))
            text.replace(at, 2, narrowBytes(service_.name()));
        return text;
    }
    std::string folderFile(const wchar_t *name) const { return readFileBytes(folder_ + L"\\" + name); }
    // The number of the last heartbeat, 0 before the first.
    int lastBeat() const {
        std::string line = folderFile(L"var\\heartbeat.txt");
        return line.compare(0, 5, "beat ") == 0 ? atoi(line.c_str() + 5) : 0;
    }
    bool waitForBeat(int beat) const {
        DWORD start = GetTickCount();
        while (lastBeat() < beat) {
            if (GetTickCount() - start > kHeartbeatTimeoutMs)
                return false;
            Sleep(100);
        }
        return true;
    }
    void printWhatTheServiceLeft() const {
        std::string logs;
        for (const std::wstring &log : readLogs(windowsTempDirectory()))
            logs += narrowBytes(log) + "\n";
        ADD_FAILURE() << "standard output:\n" << folderFile(L"var\\log\\heartbeat_out.log")
                      << "\nstandard error:\n" << folderFile(L"var\\log\\heartbeat_err.log")
                      << "\nlauncher logs:\n" << logs;
    }

    std::wstring folder_ = windowsPathOf(PELLUX_DEMO_SERVICE_FOLDER);
    std::wstring executable_ = folder_ + L"\\Heartbeat.exe";
    TestService service_;  // the name; stopped and removed whatever happens
};

TEST_F(HeartbeatService, RunsFromInstallToUninstallAndStopsThroughItsShutdownHook) {
    expectCommand(L"/install", L"", 0u, "Installed service '%S'.\n");
    expectCommand(L"/start", L" hello \"two words\"", 0u, "Starting service '%S'.\n");
    ASSERT_TRUE(service_.waitForState(SERVICE_RUNNING));
    expectCommand(L"/status", L"", 0u, "Running.\nAuto-start.\n");

    ASSERT_TRUE(waitForBeat(2)) << "no second heartbeat";
    std::string output = folderFile(L"var\\log\\heartbeat_out.log");
    EXPECT_NE(output.find("started with arguments [var/heartbeat.txt, 1000, hello, two words]\n"), std::string::npos)
        << output;
    EXPECT_NE(output.find("service name: " + narrowBytes(service_.name()) + "\n"), std::string::npos) << output;

    DWORD stopBegan = GetTickCount();
    expectCommand(L"/stop", L"", 0u, "Stopping service '%S'.\nService stopped\n");
    DWORD stopTook = GetTickCount() - stopBegan;
    EXPECT_LT(stopTook, kStopLimitMs);
    std::string stopped = folderFile(L"var\\heartbeat.txt.stopped");
    EXPECT_EQ(stopped.rfind("stopped cleanly after ", 0), 0u) << "the shutdown hook left: " << stopped;
    SERVICE_STATUS_PROCESS status = service_.status();
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(status.dwWin32ExitCode, 0u);
    int beatAtStop = lastBeat();

    expectCommand(L"/stop", L"", 0u, "Service is already stopped.\n");
    EXPECT_EQ(service_.status().dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    expectCommand(L"/uninstall", L"", 0u, "Service is already stopped.\nUninstalled service '%S'.\n");
    expectCommand(L"/status", L"", 1u, "Could not get status.\n");
    EXPECT_EQ(service_.status().dwCurrentState, 0u) << "the Service Control Manager still knows the service";

    // An application that outlived its stop would have beaten again by now.
    DWORD sinceStop = GetTickCount() - stopBegan - stopTook;
    if (sinceStop < kBeatIntervalMs + 500)
        Sleep(kBeatIntervalMs + 500 - sinceStop);
    EXPECT_EQ(lastBeat(), beatAtStop);
}

}  // namespace
