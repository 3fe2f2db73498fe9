#include "entry/entry_point.h"

#include <windows.h>

#include <cstdio>

#include "common/format.h"
#include "common/records.h"
#include "common/text.h"
#include "config/process_role.h"
#include "config/settings.h"
#include "diagnostics/log.h"
#include "entry/command_line.h"
#include "paths/path_rules.h"
#include "runtime/process_hooks.h"
#include "runtime/run_sequence.h"
#include "runtime/startup.h"
#include "service/diagnose.h"
#include "service/host_event_log.h"
#include "service/service_control.h"
#include "service/service_host.h"

namespace {

void printConsole(const std::string &text) {
    fputs(text.c_str(), stdout);
    fflush(stdout);
}

int printUsage() {
    wchar_t path[6000];
    DWORD length = GetModuleFileNameW(nullptr, path, 6000);
    if (length == 0 || length >= 6000)
        path[0] = 0;
    std::wstring baseName = path + directoryPartLength(path);
    size_t dot = baseName.rfind(L'.');
    if (dot != std::wstring::npos)
        baseName.resize(dot);
    printConsole(formatString("Usage: %S.exe /install | /uninstall | /stop | /start | /status | /run | /run-redirect\n",
                              baseName.c_str()));
    return 0;
}

// The name is the configured one; the service main takes the one the Service Control Manager passes.
int callServiceDispatcher(const Settings &settings, wchar_t *serviceName) {
    setServiceSettings(settings);
    // Lives as long as the dispatcher, which the host's threads end inside.
    HostEventLog eventLog;
    if (settings.flag(record::kEventLog))
        addHostObserver(eventLog);
    SERVICE_TABLE_ENTRYW table[2] = {{serviceName, serviceMain}, {nullptr, nullptr}};
    logMessage("calling StartServiceCtrlDispatcher");
    if (!StartServiceCtrlDispatcherW(table))
        logMessage("StartServiceCtrlDispatcher failed with error %d", static_cast<int>(GetLastError()));
    else
        waitForServiceMainEnd();
    logMessage("StartServiceCtrlDispatcher returned");
    return 0;
}

DWORD startTypeByLauncherType(const Settings &settings) {
    bool automatic = settings.integer(record::kLauncherType) == launcher_type::kAutomaticService;
    return automatic ? SERVICE_AUTO_START : SERVICE_DEMAND_START;
}

int runFromCommandLine(const Settings &settings, ProcessRole &role, StringList &arguments,
                       const std::wstring &programPath, bool redirect) {
    logMessage(redirect ? L"running service with redirection" : L"running service");
    if (!redirect)
        role.noRedirect = true;
    role.serviceMode = false;
    arguments.insert(arguments.begin(), programPath);
    runSequence(settings, arguments, role);
    return 0;
}

int runCommand(const Settings &settings, ProcessRole &role, Command command, StringList &arguments,
               const std::wstring &programPath) {
    const wchar_t *name = role.serviceName;
    switch (command) {
    case Command::Usage: return printUsage();
    case Command::Install: return installService(settings, name, startTypeByLauncherType(settings));
    case Command::InstallAuto: return installService(settings, name, SERVICE_AUTO_START);
    case Command::InstallDemand: return installService(settings, name, SERVICE_DEMAND_START);
    case Command::InstallAndStart: {
        // Another program's service of that name is neither replaced nor
        // started; nor is a service install refused for its folder.
        bool refused = false;
        if (installService(settings, name, startTypeByLauncherType(settings), &refused) != 0 && refused)
            return 1;
        return startService(settings, name, arguments);
    }
    case Command::Uninstall: return uninstallService(settings, name, true);
    case Command::Start: return startService(settings, name, arguments);
    case Command::Stop: return stopService(settings, name, true);
    case Command::Restart:
        stopService(settings, name, false);
        return startService(settings, name, arguments);
    case Command::Status: return showServiceStatus(settings, name);
    case Command::Run: return runFromCommandLine(settings, role, arguments, programPath, false);
    case Command::RunRedirect: return runFromCommandLine(settings, role, arguments, programPath, true);
    case Command::Diagnose: return diagnose(settings, role);
    default: return callServiceDispatcher(settings, role.serviceName);
    }
}

}  // namespace

int runLauncher() {
    // No DLL is ever taken from the current directory, which a user may own.
    SetDllDirectoryW(L"");
    installProcessHooks();
    ProcessRole role;
    // Read once here and handed down; lives as long as anything of this run.
    Settings settings;
    launcherStartup(settings);
    settings.text(record::kServiceName, role.serviceName, kTextCapacity);
    const wchar_t *commandLine = GetCommandLineW();
    logMessage("command line %s", commandLine);
    StringList arguments;
    splitCommandLine(commandLine, arguments);
    std::wstring programPath;
    if (!arguments.empty()) {
        programPath = arguments.front();
        arguments.erase(arguments.begin());
    }
    RoleDecision decision = decideRole(arguments);
    if (decision.role == RoleDecision::Worker) {
        role.serviceWorker = true;
        runSequence(settings, arguments, role);
        return 0;
    }
    if (decision.hasServiceNameArgument) {
        // A name that does not fit must not be cut into the name of another service.
        if (!copyText(role.serviceName, kTextCapacity, decision.serviceNameArgument.c_str())) {
            logError("service name argument of %d characters is too long",
                     static_cast<int>(decision.serviceNameArgument.size()));
            printConsole("The service name is too long.\n");
            return 1;
        }
    }
    if (decision.role == RoleDecision::Dispatcher)
        return callServiceDispatcher(settings, role.serviceName);
    return runCommand(settings, role, decision.command, arguments, programPath);
}
