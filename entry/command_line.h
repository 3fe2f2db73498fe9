// Deciding the process's role from them.
#ifndef PELLUX_ENTRY_COMMAND_LINE_H
#define PELLUX_ENTRY_COMMAND_LINE_H

#include <string>

#include "common/split_command_line.h"
#include "common/string_list.h"

enum class Command {
    Usage, Install, InstallAuto, InstallDemand, InstallAndStart, Uninstall,
    Start, Stop, Restart, Status, Run, RunRedirect, Diagnose, Unknown
};

// The command of a command word (compared case-sensitively).
Command lookupCommand(const std::wstring &word);

struct RoleDecision {
    enum Role { Worker, CommandSwitch, Dispatcher } role = Dispatcher;
    std::wstring commandWord;
    Command command = Command::Unknown;
    // Set when a switch is followed by an argument, which becomes the service name.
    bool hasServiceNameArgument = false;
    std::wstring serviceNameArgument;
};

// Decides the role from the arguments after the program path and takes from
// the list what the role consumes: the worker marker, or the switch token.
RoleDecision decideRole(StringList &arguments);

#endif
