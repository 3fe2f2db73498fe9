// The service tests, or one of the roles in which the Service Control Manager
// runs this program (service_roles.h).
#include <windows.h>

#include <gtest/gtest.h>

#include "common/split_command_line.h"
#include "runtime/process_hooks.h"
#include "tests/service/service_roles.h"
#include "tests/service/test_service.h"

namespace {

class LeftoverServices : public ::testing::Environment {
public:
    void SetUp() override { deleteLeftoverServices(); }
};

}  // namespace

int main(int argc, char **argv) {
    installProcessHooks();
    StringList tokens;
    splitCommandLine(GetCommandLineW(), tokens);
    int exitCode = 0;
    if (runServiceRole(tokens, exitCode))
        return exitCode;
    // The prefix turns the log on for every process; this one logs only where
    // a test asks for it.
    SetEnvironmentVariableW(L"PELLUX_LOG", nullptr);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new LeftoverServices);
    return RUN_ALL_TESTS();
}
