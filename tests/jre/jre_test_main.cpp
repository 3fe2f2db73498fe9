// The runtime discovery tests run in this process with the diagnostic log on,
// so each test can read what the code under test logged. A second role ends
// the process through the fatal path of a failed unpacking.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "config/load_config.h"
#include "config/settings.h"
#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "jre/unpack_runtime.h"
#include "runtime/process_hooks.h"
#include "writer/block_writer.h"

namespace {

void useDefaultMessages() {
    static Settings settings;
    for (const auto &message : defaultMessages())
        settings.messages[message.first] = std::wstring(message.second.begin(), message.second.end());
    showFatalMessagesFrom(settings);
}

}  // namespace

int main(int argc, char **argv) {
    installProcessHooks();
    if (argc == 3 && strcmp(argv[1], "--unpack-role") == 0) {
        useDefaultMessages();
        failureDisplay().messageBox = false;
        unpackRuntime(argv[2]);
        return 0;
    }
    SetEnvironmentVariableW(L"PELLUX_LOG", L"yes");
    logMessage(L"runtime discovery tests");
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    if (result == 0 && getLogFilePath())
        DeleteFileW(getLogFilePath());
    return result;
}
