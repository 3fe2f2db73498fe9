#include "service/diagnose.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/capacities.h"
#include "common/format.h"
#include "common/records.h"
#include "common/target.h"
#include "common/text.h"
#include "common/win32_handles.h"
#include "config/settings.h"
#include "config/process_role.h"
#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "jre/search_observer.h"
#include "jvm/JavaVMLauncher.h"
#include "jvm/assemble_vm_options.h"
#include "jvm/launch_context.h"
#include "jvm/launch_jvm.h"
#include "jvm/load_dll.h"
#include "paths/path_utils.h"
#include "runtime/application_environment.h"
#include "runtime/environment_rules.h"
#include "service/service_registration.h"
#include "paths/temp_dirs.h"
#include "runtime/native_library_path.h"
#include "service/stop_report.h"
#include "service/worker_channel.h"
#include "pellux_version.h"

namespace {

void say(const std::wstring &text) { fputs((narrowBytes(text) + "\n").c_str(), stdout); }
void sayA(const std::string &text) { fputs((text + "\n").c_str(), stdout); }

const char *machineName(uint32_t machine) {
    switch (machine) {
    case 0x014C: return "32-bit (x86)";
    case 0x8664: return "64-bit (x64)";
    case 0: return "machine unknown";
    default: return "another machine";
    }
}

// Prints what the search reports and passes it on to the log.
class PrintingObserver : public SearchObserver {
public:
    explicit PrintingObserver(SearchObserver &log) : log_(log) {}
    void searchStep(const char *description) override {
        sayA(std::string("  ") + description);
        log_.searchStep(description);
    }
    void candidateVersion(const char *javaExe, const char *version, uint32_t machine, VersionSource source) override {
        sayA(formatString("    %s: version %s, %s, %s", javaExe, version, machineName(machine),
                          source == VersionSource::Cache ? "from the version cache" : "from a -version run"));
        log_.candidateVersion(javaExe, version, machine, source);
    }
    void candidateVerdict(const char *javaExe, CandidateVerdict verdict) override {
        sayA(formatString("    %s: %s", javaExe, verdictText(verdict)));
        log_.candidateVerdict(javaExe, verdict);
    }

private:
    SearchObserver &log_;
};

const wchar_t *stateName(DWORD state) {
    switch (state) {
    case SERVICE_STOPPED: return L"stopped";
    case SERVICE_START_PENDING: return L"starting";
    case SERVICE_STOP_PENDING: return L"stopping";
    case SERVICE_RUNNING: return L"running";
    default: return L"pausing or paused";
    }
}

void describeService(const wchar_t *name) {
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    ServiceHandle service;
    if (manager)
        service.reset(OpenServiceW(manager.get(), name, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
    SERVICE_STATUS status = {};
    if (!service || !QueryServiceStatus(service.get(), &status)) {
        say(formatString(L"Service '%s': not installed (or not readable: error %d).", name,
                         static_cast<int>(GetLastError())));
    } else {
        std::vector<BYTE> buffer(8192);
        DWORD needed = 0;
        auto *config = reinterpret_cast<QUERY_SERVICE_CONFIGW *>(buffer.data());
        bool known = QueryServiceConfigW(service.get(), config, static_cast<DWORD>(buffer.size()), &needed);
        bool automatic = known && config->dwStartType == SERVICE_AUTO_START;
        const wchar_t *start = !automatic ? L"demand" : hasDelayedStart(service.get()) ? L"delayed automatic" : L"automatic";
        say(formatString(L"Service '%s': installed, %s, %s start.", name, stateName(status.dwCurrentState), start));
        if (known)
            say(formatString(L"  Account: %s.", config->lpServiceStartName && *config->lpServiceStartName
                                                     ? config->lpServiceStartName
                                                     : L"LocalSystem"));
        if (status.dwCurrentState == SERVICE_STOPPED)
            say(formatString(L"  Last exit codes: %d, service-specific %d.", static_cast<int>(status.dwWin32ExitCode),
                             static_cast<int>(status.dwServiceSpecificExitCode)));
    }
}

std::wstring configText(const Settings &settings, int32_t id) { return widenBytes(settings.shownText(id)); }

void describeReadiness(const Settings &settings) {
    ReadinessSettings readiness = loadReadinessSettings(settings);
    unsigned readySeconds = readiness.readyTimeoutMs / 1000;
    if (readiness.mode == ReadyMode::Port)
        sayA(formatString("  readiness: running once %s:%u accepts connections, within %u s",
                          readiness.host.empty() ? "127.0.0.1" : readiness.host.c_str(),
                          static_cast<unsigned>(readiness.port), readySeconds));
    else if (readiness.mode == ReadyMode::Api)
        sayA(formatString("  readiness: running once the application calls ServiceState.ready(), within %u s",
                          readySeconds));
    else
        say(L"  readiness: running as soon as the application runs");
    say(readiness.watchdogTimeoutMs == 0
            ? std::wstring(L"  watchdog: off")
            : formatString(L"  watchdog: the application is ended after %u s without a sign of life",
                           static_cast<unsigned>(readiness.watchdogTimeoutMs / 1000)));
    if (!readiness.stopReport) {
        say(L"  stop report: off");
        return;
    }
    std::wstring folder = stopReportFolderPath(settings), latest = latestStopReport(folder);
    say(L"  stop report: written to " + folder + L" when the application has to be ended");
    say(L"  latest stop report: " + (latest.empty() ? std::wstring(L"none") : latest));
}

void describeConfiguration(const Settings &settings, const RunPlaces &places) {
    say(L"");
    say(L"Configuration:");
    say(formatString(L"  main class: %s%s", configText(settings, record::kMainClass).c_str(),
                     settings.flag(record::kMainInModule) ? L" (in a named module)" : L""));
    wchar_t directory[kTextCapacity];
    GetCurrentDirectoryW(kTextCapacity, directory);
    say(formatString(L"  working directory: %s", directory));
    std::wstring output = redirectionFile(settings, places, record::kRedirectOutput, record::kOutputFile);
    std::wstring error = redirectionFile(settings, places, record::kRedirectError, record::kErrorFile);
    say(L"  standard output: " + (output.empty() ? std::wstring(L"not redirected") : output));
    say(L"  standard error: " + (error.empty() ? std::wstring(L"not redirected") : error));
    if (!settings.isEmpty(record::kOutputMaxSize))
        say(formatString(L"  rotated past %s bytes, %d older files kept", configText(settings, record::kOutputMaxSize).c_str(),
                         static_cast<int>(settings.integer(record::kOutputKeep))));
    const wchar_t *scope = settings.flag(record::kInstanceAllSessions) ? L"the whole machine"
                           : settings.flag(record::kInstancePerSession) ? L"one Windows session"
                                                                       : L"one user";
    say(settings.flag(record::kSingleInstance) ? formatString(L"  single instance: yes, within %s", scope)
                                              : std::wstring(L"  single instance: no"));
    // Names only: values may hold secrets.
    std::vector<std::string> refused;
    std::wstring names;
    for (const EnvironmentSetting &variable : parseEnvironmentRecord(settings.text(record::kEnvironment), &refused))
        names += (names.empty() ? L"" : L", ") + widenBytes(variable.name);
    if (!names.empty())
        say(L"  environment variables set: " + names);
    describeReadiness(settings);
    std::string embedded = settings.shownText(record::kEmbeddedFileCount);
    if (!embedded.empty() && embedded != "0")
        sayA("  embedded files: " + embedded + " (extracted into a temporary directory at each start)");
}

// Each element of a path option, marked as the machine has it.
void describePathOption(const std::string &option, const char *prefix, const char *title) {
    if (option.compare(0, strlen(prefix), prefix) != 0)
        return;
    sayA(std::string("  ") + title + ":");
    std::string elements = option.substr(strlen(prefix));
    if (elements.empty())
        sayA("    (empty)");
    size_t pos = 0;
    while (pos < elements.size()) {
        std::string element = nextToken(elements, pos, ';');
        if (!element.empty())
            sayA(formatString("    %s (%s)", element.c_str(), pathExists(element.c_str()) ? "found" : "missing"));
    }
}

// The options a start would create the VM with, from the same assembly.
void describeVmOptions(const Settings &settings, LaunchContext &context) {
    StringList arguments = {context.role.serviceName};
    JavaVMInitArgs initArgs = {};
    assembleVmOptions(settings, context, currentLauncherProperties(settings, context), arguments, initArgs);
    say(L"");
    say(L"VM options in their final order:");
    for (const std::string &option : context.vmOptions)
        sayA("  " + option);
    for (const std::string &option : context.vmOptions) {
        describePathOption(option, "-Djava.class.path=", "class path");
        describePathOption(option, "--module-path=", "module path");
    }
}

// The search of a real start, watched, with nothing written to the machine.
bool describeRuntimeSearch(const Settings &settings, RunPlaces &places) {
    say(L"");
    say(formatString(L"Runtime search (this launcher runs %s-bit Java; minimum version \"%s\", maximum \"%s\"):",
                     kTargetBitsText, configText(settings, record::kMinimumVersion).c_str(),
                     configText(settings, record::kMaximumVersion).c_str()));
    RuntimeSearchWatch watch;
    PrintingObserver printer(searchObserver(watch));
    watch.observer = &printer;
    watch.writeVersionCache = false;
    watch.unpackRuntimes = false;
    prependNativeLibraryPath(settings, places);
    LoadedJvm jvm;
    bool loaded = LoadDLL(settings, places, watch, false, jvm);
    say(L"");
    const RuntimeSearchResult &result = jvm.search;
    if (!loaded) {
        say(L"No runtime would be used. A start would end with this message:");
        say(loadFailureText(result));
        return false;
    }
    sayA(formatString("Runtime that would be used: %s (version %s)", result.javaExecutable, result.version));
    return true;
}

void describeLogAndTemp() {
    say(L"");
    wchar_t root[kTextCapacity];
    getTempRoot(root, kTextCapacity);
    size_t length = wcslen(root);
    if (length > 0 && root[length - 1] == L'\\')
        root[length - 1] = 0;
    const wchar_t *logPath = getLogFilePath();
    say(logPath ? formatString(L"Diagnostic log of this run: %s", logPath)
                : formatString(L"Diagnostic log: off; with PELLUX_LOG=yes each process writes %s\\zno_nlog_N.log",
                               root));
    say(formatString(L"Temporary directory: created below %s at each start, removed at the end", root));
}

}  // namespace

int diagnose(const Settings &settings, const ProcessRole &role) {
    logMessage("diagnose");
    say(formatString(L"Launcher: pellux %s, %d-bit.", PELLUX_VERSION_W, PELLUX_TARGET_BITS));
    // As a start would see it, without extracting anything or taking the instance semaphore.
    LaunchContext context;
    context.role = role;
    context.flavour = configuredFlavour(settings);
    describeService(role.serviceName);
    describeConfiguration(settings, context.places);
    // The search sees the application's variables, as in a start.
    applyApplicationEnvironment(settings, context.places);
    bool found = describeRuntimeSearch(settings, context.places);
    if (found)
        describeVmOptions(settings, context);
    describeLogAndTemp();
    fflush(stdout);
    return found ? 0 : 2;
}
