// Runs a Linux program from inside a Wine process with its standard streams
// relayed to this process's own. Win32 edge of the bridge.
#ifndef PELLUX_BRIDGE_LINUX_RUN_H
#define PELLUX_BRIDGE_LINUX_RUN_H

#include <string>
#include <vector>

// Runs the command (UTF-8; the program is looked up on the Unix PATH) until it
// ends: this process's standard input is relayed to it, end of input
// included, and its standard output and error come back on ours. Returns its
// exit code; when it cannot be started the reason goes to standard error and
// the result is 1.
int runRelayedLinuxCommand(const std::vector<std::string> &command);

#endif
