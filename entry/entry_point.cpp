#include "entry/entry_point.h"

#include <windows.h>

#include <cstdio>

#include "common/format.h"
#include "common/records.h"
#include "common/text.h"
#include "config/settings.h"
#include "config/process_role.h"
#include "diagnostics/log.h"
#include "entry/command_line.h"
#include "entry/diagnose.h"
#include "entry/service_control.h"
#include "entry/service_host.h"
#include "paths/path_rules.h"
#include "runtime/process_hooks.h"
#include "runtime/run_sequence.h"
#include "runtime/startup.h"

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

int callServiceDispatcher(const Settings &settings) {
    setServiceSettings(settings);
    SERVICE_TABLE_ENTRYW table[2] = {{processRole().serviceName, serviceMain}, {nullptr, nullptr}};
    logMessage(L"calling StartServiceCtrlDispatcher");
    if (!StartServiceCtrlDispatcherW(table))
        logMessage(L"StartServiceCtrlDispatcher failed with error %d", static_cast<int>(GetLastError()));
    else
        waitForServiceMainEnd();
    logMessage(L"StartServiceCtrlDispatcher returned");
    return 0;
}

DWORD startTypeByLauncherType(const Settings &settings) {
    bool automatic = settings.integer(record::kLauncherType) == launcher_type::kAutomaticService;
    return automatic ? SERVICE_AUTO_START : SERVICE_DEMAND_START;
}

int runFromCommandLine(const Settings &settings, StringList &arguments, const std::wstring &programPath,
                       bool redirect) {
    logMessage(redirect ? L"running service with redirection" : L"running service");
    if (!redirect)
        processRole().noRedirect = true;
    processRole().serviceMode = false;
    arguments.insert(arguments.begin(), programPath);
    runSequence(settings, arguments, false);
    return 0;
}

int runCommand(const Settings &settings, Command command, StringList &arguments, const std::wstring &programPath) {
    switch (command) {
    case Command::Usage: return printUsage();
    case Command::Install: return installService(settings, startTypeByLauncherType(settings));
    case Command::InstallAuto: return installService(settings, SERVICE_AUTO_START);
    case Command::InstallDemand: return installService(settings, SERVICE_DEMAND_START);
    case Command::InstallAndStart: {
        // Another program's service of that name is neither replaced nor started.
        bool foreign = false;
        if (installService(settings, startTypeByLauncherType(settings), &foreign) != 0 && foreign)
            return 1;
        return startService(arguments);
    }
    case Command::Uninstall: return uninstallService(settings, true);
    case Command::Start: return startService(arguments);
    case Command::Stop: return stopService(settings, true);
    case Command::Restart:
        stopService(settings, false);
        return startService(arguments);
    case Command::Status: return showServiceStatus();
    case Command::Run: return runFromCommandLine(settings, arguments, programPath, false);
    case Command::RunRedirect: return runFromCommandLine(settings, arguments, programPath, true);
    case Command::Diagnose: return diagnose(settings);
    default: return callServiceDispatcher(settings);
    }
}

}  // namespace

int runLauncher() {
    // No DLL is ever taken from the current directory, which a user may own.
    SetDllDirectoryW(L"");
    installProcessHooks();
    processRole().serviceMode = true;
    // The probe of a runtime still reads it as configStore().
    Settings &settings = configStore();
    launcherStartup(settings);
    settings.text(record::kServiceName, processRole().serviceName, kServiceNameCapacity);
    const wchar_t *commandLine = GetCommandLineW();
    logMessage(L"command line %s", commandLine);
    StringList arguments;
    splitCommandLine(commandLine, arguments);
    std::wstring programPath;
    if (!arguments.empty()) {
        programPath = arguments.front();
        arguments.erase(arguments.begin());
    }
    RoleDecision decision = decideRole(arguments);
    if (decision.role == RoleDecision::Worker) {
        processRole().serviceWorker = true;
        runSequence(settings, arguments, true);
        return 0;
    }
    if (decision.hasServiceNameArgument) {
        // A name that does not fit must not be cut into the name of another service.
        if (!copyText(processRole().serviceName, kServiceNameCapacity, decision.serviceNameArgument.c_str())) {
            logError(L"service name argument of %d characters is too long",
                     static_cast<int>(decision.serviceNameArgument.size()));
            printConsole("The service name is too long.\n");
            return 1;
        }
    }
    if (decision.role == RoleDecision::Dispatcher)
        return callServiceDispatcher(settings);
    return runCommand(settings, decision.command, arguments, programPath);
}
