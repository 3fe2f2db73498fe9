// bin\java.exe of the bridge home: the launcher's "-version" probe (and any
// other use) runs the Linux java with the same arguments, paths translated.
#include <windows.h>

#include "bridge/bridge_home.h"
#include "bridge/java_command.h"
#include "bridge/linux_run.h"
#include "bridge/unix_paths.h"
#include "bridge/win_text.h"

int wmain(int argc, wchar_t **argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; i++)
        arguments.push_back(utf8FromWide(argv[i]));
    BridgeConfig config = loadBridgeConfig();
    std::vector<std::string> command{linuxJavaPath(config)};
    for (const std::string &argument : translateJavaExeArguments(arguments, toUnixPath))
        command.push_back(argument);
    return runRelayedLinuxCommand(command);
}
