// The launcher and the Java runtime library together: a real JVM (the bridge
// home runs the Linux JDK) starts the application through the entry class.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/records.h"
#include "tests/jvmstage/jvmstage_test_support.h"

namespace {

class RealJava : public JvmStage {
protected:
    void SetUp() override {
        std::wstring runtimeDirectory = appDirectory() + L"\\.zanthor";
        CreateDirectoryW(runtimeDirectory.c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(windowsPathOf(PELLUX_ZANTHOR_RUNTIME_JAR).c_str(),
                              (runtimeDirectory + L"\\znoruntime.jar").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(windowsPathOf(PELLUX_TEST_APP_JAR).c_str(), (appDirectory() + L"\\app.jar").c_str(),
                              FALSE));
    }
    static std::wstring bridgeHome() { return windowsPathOf(PELLUX_BRIDGE_HOME); }
};

TEST_F(RealJava, entry_class_starts_the_application_with_its_arguments) {
    makeLauncher(blockWith({{record::kClassPath, "A0app.jar"}, {record::kMainClass, "testapp.ReportingApp"}, {record::kLauncherFlavour, "i"}}));
    LauncherRun run = this->run(L"/run a \"b c\"", bridgeHome());
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.err << narrowText(run.log);
    EXPECT_NE(run.result.out.find("args=a|b c"), std::string::npos) << run.result.out;
    EXPECT_NE(run.result.out.find("launcherArgument=" + narrowText(launcherPath())), std::string::npos);
    EXPECT_NE(run.result.err.find("error line"), std::string::npos) << run.result.err;
}

}  // namespace
