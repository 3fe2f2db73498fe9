#include <gtest/gtest.h>

#include <memory>

#include "common/records.h"
#include "tests/support/launcher_harness.h"

namespace {

const char kUsage[] = "Usage: App.exe /install | /uninstall | /stop | /start | /status | /run | /run-redirect\r\n";

class EntryPoint : public ::testing::Test {
protected:
    void SetUp() override {
        launcher_ = makeConfiguredLauncher(directory_.path(), L"App.exe", blockWith({{record::kServiceName, "EntryTestService"}}));
        ASSERT_FALSE(launcher_.empty());
    }
    RunResult run(const std::wstring &arguments) { return runProgram(launcher_, arguments, loggingInto(logRoot_.path())); }
    std::wstring log(int n = 1) { return readUtf8File(logRoot_.file(L"zno_nlog_" + std::to_wstring(n) + L".log")); }

    ScratchDirectory directory_;
    ScratchDirectory logRoot_;
    std::wstring launcher_;
};

TEST_F(EntryPoint, UsageLineNamesTheExecutable) {
    for (const wchar_t *arguments : {L"/?", L"/help", L"-help", L"--help", L"/-help"}) {
        RunResult result = run(arguments);
        EXPECT_EQ(result.exitCode, 0u) << arguments;
        EXPECT_EQ(result.out, kUsage) << arguments;
    }
}

TEST_F(EntryPoint, WorkerMarkerWinsOverASwitch) {
    RunResult result = run(L"/install __zno_restart");
    std::wstring text = log();
    EXPECT_NE(text.find(L"run sequence (worker 1) with 1 arguments"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"argument 0: /install"), std::wstring::npos) << text;
    EXPECT_EQ(text.find(L"calling StartServiceCtrlDispatcher"), std::wstring::npos);
    EXPECT_NE(result.exitCode, 0u);
}

TEST_F(EntryPoint, RunPutsTheProgramPathFirst) {
    run(L"/run first \"second arg\"");
    std::wstring text = log();
    EXPECT_NE(text.find(L"running service\r\n"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"run sequence (worker 0) with 3 arguments"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"argument 0: " + launcher_), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"argument 2: second arg"), std::wstring::npos) << text;

    run(L"-run-redirect");
    EXPECT_NE(log(2).find(L"running service with redirection"), std::wstring::npos);
}

TEST_F(EntryPoint, OverlongServiceNameIsRefusedNotCut) {
    RunResult result = run(L"/stop " + std::wstring(6000, L'x'));
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.out, "The service name is too long.\r\n");
    EXPECT_NE(log().find(L"ERROR: service name argument of 6000 characters is too long"), std::wstring::npos);
}

// From a console the dispatcher fails (after a long wait under Wine); that is
// only logged. The five runs wait side by side.
TEST_F(EntryPoint, NoCommandReachesTheDispatcherWhoseFailureIsOnlyLogged) {
    const wchar_t *commandLines[] = {L"", L"/Install", L"/", L"/frobnicate X", L"SomeName /install"};
    std::vector<std::unique_ptr<ScratchDirectory>> roots;
    std::vector<std::unique_ptr<ChildRun>> children;
    for (const wchar_t *arguments : commandLines) {
        roots.push_back(std::make_unique<ScratchDirectory>());
        children.push_back(std::make_unique<ChildRun>(launcher_, arguments, loggingInto(roots.back()->path())));
    }
    for (size_t i = 0; i < children.size(); i++) {
        RunResult result = children[i]->finish(60000);
        std::wstring text = readUtf8File(roots[i]->file(L"zno_nlog_1.log"));
        EXPECT_TRUE(result.finished) << commandLines[i];
        EXPECT_EQ(result.exitCode, 0u) << commandLines[i];
        EXPECT_EQ(result.out, "") << commandLines[i];
        EXPECT_NE(text.find(L"calling StartServiceCtrlDispatcher"), std::wstring::npos) << commandLines[i];
        EXPECT_NE(text.find(L"StartServiceCtrlDispatcher failed with error 1063"), std::wstring::npos) << text;
        EXPECT_NE(text.find(L"StartServiceCtrlDispatcher returned"), std::wstring::npos) << commandLines[i];
    }
}

}  // namespace
