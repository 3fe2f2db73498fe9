// From start-up to a running entry class and back to an exit code: what the
// VM receives, what main receives, how the run ends.
#include <gtest/gtest.h>

#include "tests/jvmstage/jvmstage_test_support.h"

namespace {

class Launch : public JvmStage {
protected:
    void SetUp() override { home_ = layOutHome(L"jdk"); }

    StandinRecord vm() const { return readStandinRecord(home_.jvmRecord); }
    void actOut(const std::string &settings) { ASSERT_TRUE(writeJvmSettings(home_, settings)); }

    RuntimeHome home_;
};

TEST_F(Launch, main_returning_ends_the_run_with_exit_code_0_after_destroying_the_vm) {
    makeLauncher(blockWith({{122, "app.Main"}}));
    LauncherRun run = this->run(L"/run", home_.home);
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
    StandinRecord record = vm();
    EXPECT_TRUE(record.mainCalled);
    EXPECT_TRUE(record.mainReturned);
    EXPECT_TRUE(record.destroyed);
    EXPECT_TRUE(record.destroyedOnCreatingThread);
    size_t calling = run.logPosition(L"calling main");
    EXPECT_LT(run.logPosition(L"Loading of JVM-DLL successful"), run.logPosition(L"launching program"));
    EXPECT_LT(calling, run.logPosition(L"main returned"));
    EXPECT_LT(run.logPosition(L"main returned"), run.logPosition(L"dest JVM"));
    EXPECT_LT(run.logPosition(L"dest JVM"), run.logPosition(L"launch done"));
    EXPECT_TRUE(record.traps.empty());
}

}  // namespace
