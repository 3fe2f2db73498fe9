// Configured launchers run as child processes against stand-in runtime homes:
// what each run left behind (exit code, output, diagnostic log, the JNI
// dialogue the stand-in jvm.dll recorded).
#ifndef PELLUX_TESTS_JVMSTAGE_JVMSTAGE_TEST_SUPPORT_H
#define PELLUX_TESTS_JVMSTAGE_JVMSTAGE_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "standins/runtime_home.h"
#include "standins/standin_record.h"
#include "tests/support/launcher_harness.h"

struct LauncherRun {
    RunResult result;
    std::wstring log;
    // A whole log line (without its stamp) is present.
    bool logged(const std::wstring &line) const;
    // Position of such a line, npos when absent.
    size_t logPosition(const std::wstring &line) const;
};

class JvmStage : public ::testing::Test {
protected:
    ~JvmStage() override;

    // A stand-in home below the test's homes directory.
    RuntimeHome layOutHome(const std::wstring &name, const RuntimeHomeLayout &layout = RuntimeHomeLayout());
    // The launcher App.exe in the application directory, with the records
    // given and the default messages.
    std::wstring makeLauncher(const BlockContent &content);

    // Runs the launcher with its own log and temporary root. The environment
    // points PELLUX_JAVA_HOME at javaHome (unless empty) and fixes PATH and
    // MANPATH; extra changes come last.
    LauncherRun run(const std::wstring &arguments, const std::wstring &javaHome,
                    const EnvironmentChanges &extra = {});
    // The worker as the service host starts it: "Svc" and the marker.
    LauncherRun runWorker(const std::wstring &javaHome, const EnvironmentChanges &extra = {});

    const std::wstring &appDirectory() const { return app_.path(); }
    std::wstring launcherPath() const { return app_.file(L"App.exe"); }
    // The PATH the launcher starts with.
    static const wchar_t kStartPath[];

private:
    ScratchDirectory app_;
    ScratchDirectory homes_;
    ScratchDirectory logs_;
    int runs_ = 0;
};

// Narrow and wide text of plain (ASCII) paths as the stand-in records them.
std::string narrowText(const std::wstring &text);
std::wstring wideText(const std::string &text);

// The first recorded option that starts with prefix, or "".
std::string optionStartingWith(const StandinRecord &record, const std::string &prefix);

#endif
