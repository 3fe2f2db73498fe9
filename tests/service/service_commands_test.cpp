// The service control commands of a configured launcher, run as child
// processes against Wine's Service Control Manager. A running service is this
// program as host (service_roles.h) or, for the product's own host, the
// configured launcher itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "common/records.h"
#include "diagnostics/event_rules.h"
#include "common/text.h"
#include "standins/runtime_home.h"
#include "standins/standin_protocol.h"
#include "standins/standin_record.h"
#include "tests/service/service_roles.h"
#include "tests/service/test_service.h"
#include "tests/support/launcher_harness.h"

namespace {

struct RegisteredConfig {
    bool found = false;
    std::wstring binaryPath;
    std::wstring displayName;
    DWORD serviceType = 0;
    DWORD startType = 0;
    DWORD errorControl = 0;
    std::wstring dependencies;  // NUL-separated, with the final NUL
    std::wstring description;
    std::wstring account;
};

std::wstring multiString(const wchar_t *list) {
    std::wstring text;
    for (const wchar_t *p = list; p && *p; p += wcslen(p) + 1)
        text.append(p, wcslen(p) + 1);
    return list && *list ? text + L'\0' : text;
}

// Wine's QueryServiceConfigW leaves the dependencies out; they are in the
// service's registry key all the same.
std::wstring registeredDependencies(const std::wstring &name) {
    std::wstring key = L"System\\CurrentControlSet\\Services\\" + name;
    wchar_t list[1024];
    DWORD size = sizeof list;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"DependOnService", RRF_RT_REG_MULTI_SZ, nullptr, list, &size) !=
        ERROR_SUCCESS)
        return std::wstring();
    return multiString(list);
}

// What the Service Control Manager holds for the service, through the API
// (Wine's "sc qc" prints nothing).
RegisteredConfig registeredConfig(const std::wstring &name) {
    RegisteredConfig config;
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceW(manager, name.c_str(), SERVICE_QUERY_CONFIG) : nullptr;
    std::vector<BYTE> buffer(8192);
    DWORD needed;
    if (service && QueryServiceConfigW(service, reinterpret_cast<QUERY_SERVICE_CONFIGW *>(buffer.data()),
                                       static_cast<DWORD>(buffer.size()), &needed)) {
        const QUERY_SERVICE_CONFIGW *query = reinterpret_cast<const QUERY_SERVICE_CONFIGW *>(buffer.data());
        config.found = true;
        config.binaryPath = query->lpBinaryPathName ? query->lpBinaryPathName : L"";
        config.displayName = query->lpDisplayName ? query->lpDisplayName : L"";
        config.serviceType = query->dwServiceType;
        config.startType = query->dwStartType;
        config.errorControl = query->dwErrorControl;
        config.account = query->lpServiceStartName ? query->lpServiceStartName : L"";
        config.dependencies = multiString(query->lpDependencies);
        if (config.dependencies.empty())
            config.dependencies = registeredDependencies(name);
    }
    if (service && QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, buffer.data(),
                                        static_cast<DWORD>(buffer.size()), &needed)) {
        const SERVICE_DESCRIPTIONW *text = reinterpret_cast<const SERVICE_DESCRIPTIONW *>(buffer.data());
        config.description = text->lpDescription ? text->lpDescription : L"";
    }
    if (service)
        CloseServiceHandle(service);
    if (manager)
        CloseServiceHandle(manager);
    return config;
}

std::wstring inQuotes(const std::wstring &text) { return L"\"" + text + L"\""; }

// What QueryServiceConfig2W answers for the level: the bytes, or the error.
std::vector<BYTE> queryConfig2(const std::wstring &name, DWORD level, DWORD &error) {
    std::vector<BYTE> buffer(8192);
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceW(manager, name.c_str(), SERVICE_QUERY_CONFIG) : nullptr;
    DWORD needed = 0;
    SetLastError(0xdeadbeef);
    error = service && QueryServiceConfig2W(service, level, buffer.data(), static_cast<DWORD>(buffer.size()), &needed)
                ? 0
                : GetLastError();
    if (service)
        CloseServiceHandle(service);
    if (manager)
        CloseServiceHandle(manager);
    return buffer;
}

DWORD preshutdownTimeout(const std::wstring &name) {
    DWORD error;
    std::vector<BYTE> info = queryConfig2(name, SERVICE_CONFIG_PRESHUTDOWN_INFO, error);
    return error ? 0 : reinterpret_cast<const SERVICE_PRESHUTDOWN_INFO *>(info.data())->dwPreshutdownTimeout;
}

// Lets everyone write to the folder; Wine turns the DACL into the Unix mode
// and back, so install reads it as a real one.
bool openToEveryone(const std::wstring &folder) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return false;
    unsigned char aclBytes[256];
    PACL acl = reinterpret_cast<PACL>(aclBytes);
    SECURITY_DESCRIPTOR descriptor;
    bool done = InitializeAcl(acl, sizeof aclBytes, ACL_REVISION) &&
                AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, everyone) &&
                InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
                SetFileSecurityW(folder.c_str(), DACL_SECURITY_INFORMATION, &descriptor);
    FreeSid(everyone);
    return done;
}

class ServiceCommands : public ::testing::Test {
protected:

    // The launcher App.exe whose record 101 names the test's service.
    std::wstring makeApp(const std::wstring &fileName, std::initializer_list<std::pair<int32_t, std::string>> records,
                         const std::u16string &description = u"") {
        BlockContent content = blockWith(records);
        setRecord(content, 101, narrowBytes(name()));
        if (!description.empty())
            setMessage(content.messages, 20017, description);
        return makeConfiguredLauncher(directory_.path(), fileName, content);
    }
    RunResult app(const std::wstring &arguments) { return runProgram(app_, arguments); }
    // Runs App.exe and checks its exit code and console text.
    void expectRun(const std::wstring &arguments, DWORD exitCode, const std::string &out) {
        RunResult result = app(arguments);
        EXPECT_EQ(result.exitCode, exitCode) << arguments;
        EXPECT_EQ(result.out, out) << arguments;
    }
    const std::wstring &name() const { return service_->name(); }
    // The console text with the service name for every "%S".
    std::string said(const char *format) const {
        std::string text = format;
        for (size_t at = text.find("%S"); at != std::string::npos; at = text.find("%S", at))
            text.replace(at, 2, narrowBytes(name()));
        return text;
    }
    // This program, registered as a host that reports into reports_.
    void registerTestHost() {
        service_.reset(new TestService(hostBinaryPath(thisProgram(), reports_.path())));
        ASSERT_TRUE(service_->registered());
    }
    bool workerRunning() { return waitForFile(reports_.file(kWorkerStartedFile)); }
    void forgetWorkerReports() {
        for (const wchar_t *file : {kWorkerCommandLineFile, kWorkerStartedFile, kWorkerInputFile})
            DeleteFileW(reports_.file(file).c_str());
    }

    // A stand-in runtime home whose VM acts as the settings say; its search
    // sequence entry, or empty when it could not be laid out.
    std::string standinRuntime(const std::string &jvmSettings) {
        RuntimeHomeLayout layout;
        layout.jvmSettings = jvmSettings;
        std::string error;
        if (!layOutRuntimeHome(runtime_.path(), layout, home_, error))
            return std::string();
        return "B" + narrowBytes(home_.home);
    }
    bool mainEntered() {
        for (DWORD waited = 0; waited < kServiceTimeoutMs; waited += 50) {
            if (readStandinRecord(home_.jvmRecord).findEvent(EVENT_MAIN_ENTER) >= 0)
                return true;
            Sleep(50);
        }
        return false;
    }

    ScratchDirectory directory_;
    ScratchDirectory reports_;
    ScratchDirectory runtime_;
    RuntimeHome home_;
    std::unique_ptr<TestService> service_{new TestService()};
    std::wstring app_;
};

TEST_F(ServiceCommands, InstallRegistersQuotedPathDependenciesAndDescription) {
    app_ = makeApp(L"App.exe", {{record::kDependencies, "Tcpip,,Afd"}}, u"Runs the test application.");
    expectRun(L"/install", 0u, said("Installed service '%S'.\r\n"));

    RegisteredConfig config = registeredConfig(name());
    ASSERT_TRUE(config.found);
    EXPECT_EQ(config.binaryPath, inQuotes(app_));
    EXPECT_EQ(config.displayName, name());
    EXPECT_EQ(config.serviceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(config.startType, static_cast<DWORD>(SERVICE_DEMAND_START));
    EXPECT_EQ(config.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(config.dependencies, std::wstring(L"Tcpip\0Afd\0\0", 11));
    EXPECT_EQ(config.description, L"Runs the test application.");
}

TEST_F(ServiceCommands, StartTypeFollowsLauncherTypeAndCommandWord) {
    std::wstring automatic = makeApp(L"Auto.exe", {{record::kLauncherType, "4"}});
    app_ = makeApp(L"App.exe", {});
    struct Case {
        std::wstring program;
        const wchar_t *arguments;
        DWORD startType;
    } cases[] = {{automatic, L"/install", SERVICE_AUTO_START},
                 {app_, L"/install", SERVICE_DEMAND_START},
                 {app_, L"-install-auto", SERVICE_AUTO_START},
                 {automatic, L"--install-demand", SERVICE_DEMAND_START}};
    for (const Case &c : cases) {
        // Install replaces only its own program's registration.
        runProgram(c.program, L"/uninstall");
        RunResult result = runProgram(c.program, c.arguments);
        EXPECT_EQ(result.exitCode, 0u) << c.arguments;
        EXPECT_NE(result.out.find(said("Installed service '%S'.\r\n")), std::string::npos) << result.out;
        EXPECT_EQ(registeredConfig(name()).startType, c.startType) << c.arguments;
    }
    EXPECT_EQ(app(L"/status").out, "Not running.\r\n");
    runProgram(automatic, L"/uninstall");
    runProgram(automatic, L"/install");
    expectRun(L"/status", 3u, "Not running.\r\nAuto-start.\r\n");
}

TEST_F(ServiceCommands, ReinstallingAndUninstallingReplaceAndRemoveTheRegistration) {
    app_ = makeApp(L"App.exe", {});
    ASSERT_EQ(app(L"/install").exitCode, 0u);
    expectRun(L"/install", 0u, said("Service is already stopped.\r\nInstalled service '%S'.\r\n"));

    expectRun(L"/uninstall", 0u, said("Service is already stopped.\r\nUninstalled service '%S'.\r\n"));
    EXPECT_FALSE(registeredConfig(name()).found);
    expectRun(L"/uninstall", 1u, "Could not delete service.\r\n");
}

// A folder everyone may write to: a raw block installs with the described
// output and a warning on standard error only; record 30400 refuses a
// LocalSystem service before anything is registered, and warns for another
// account. The account record chooses whom the service runs as.
TEST_F(ServiceCommands, AnOpenFolderIsRefusedOnlyWithItsRecordAndTheChosenAccountIsTaken) {
    ScratchDirectory open;
    ASSERT_TRUE(openToEveryone(open.path()));
    std::string warning = "Warning: users other than the administrators can write to " + narrowBytes(open.path());
    app_ = makeConfiguredLauncher(open.path(), L"App.exe", blockWith({{101, narrowBytes(name())}}));
    RunResult result = app(L"/install");
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.out, said("Installed service '%S'.\r\n"));
    EXPECT_EQ(result.err.rfind(warning, 0), 0u) << result.err;
    EXPECT_NE(result.err.find("icacls \"" + narrowBytes(open.path()) + "\\.\" /inheritance:r"), std::string::npos);
    ASSERT_EQ(app(L"/uninstall").exitCode, 0u);

    app_ = makeConfiguredLauncher(open.path(), L"Strict.exe",
                                  blockWith({{101, narrowBytes(name())}, {record::kRefuseWritableFolder, "1"}}));
    result = app(L"/install-and-start");
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.out.rfind("Not installed: users other than the administrators can write to " +
                                   narrowBytes(open.path()), 0),
              0u) << result.out;
    EXPECT_NE(result.out.find("set writable_folder = \"accept\" in [service]."), std::string::npos) << result.out;
    EXPECT_FALSE(registeredConfig(name()).found);

    app_ = makeConfiguredLauncher(open.path(), L"Virtual.exe",
                                  blockWith({{101, narrowBytes(name())}, {record::kRefuseWritableFolder, "1"},
                                             {record::kServiceAccount, "virtual"}}));
    result = app(L"/install");
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.out, said("Installed service '%S'.\r\n"));
    EXPECT_EQ(result.err.rfind(warning, 0), 0u) << result.err;
    EXPECT_EQ(registeredConfig(name()).account, L"NT SERVICE\\" + name());

    ASSERT_EQ(app(L"/uninstall").exitCode, 0u);
    app_ = makeApp(L"Other.exe", {{record::kServiceAccount, "LocalService"}, {record::kRefuseWritableFolder, "1"}});
    expectRun(L"/install", 0u, said("Installed service '%S'.\r\n"));
    EXPECT_EQ(registeredConfig(name()).account, L"NT AUTHORITY\\LocalService");
    app_ = makeApp(L"Wrong.exe", {{record::kServiceAccount, "root"}});
    expectRun(L"/install", 1u, "Unknown service account 'root'.\r\n");
}

// What administrators set: an update in place that keeps what the block does
// not set, a delayed start that Wine refuses (183) as a warning, the event
// source and its message table, and the accounts that need a password.
TEST_F(ServiceCommands, InstallUpdatesInPlaceRegistersTheEventSourceAndChecksTheAccount) {
    app_ = makeApp(L"App.exe", {{record::kUpdateInPlace, "1"}, {record::kEventLog, "1"},
                                {record::kDelayedAutoStart, "1"}, {record::kLauncherType, "4"}});
    // Wine refuses the flag; this one answers ERROR_INVALID_LEVEL.
    const std::string refused = "Warning: Windows refused the delayed start (error 124); the service starts "
                                "automatically without delay.\r\n";
    expectRun(L"/install", 0u, said("Installed service '%S'.\r\n") + refused);
    expectRun(L"/status", 3u, "Not running.\r\nAuto-start.\r\n");
    std::wstring source = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" + name();
    wchar_t file[1024] = {};
    DWORD size = sizeof file, types = 0, typesSize = sizeof types;
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, source.c_str(), L"EventMessageFile", RRF_RT_ANY | RRF_NOEXPAND, nullptr,
                           file, &size), ERROR_SUCCESS);
    EXPECT_EQ(file, app_);
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, source.c_str(), L"TypesSupported", RRF_RT_REG_DWORD, nullptr, &types,
                           &typesSize), ERROR_SUCCESS);
    EXPECT_EQ(types, 7u);
    // Every entry's text is in the launcher's message table.
    HMODULE table = LoadLibraryExW(app_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(table, nullptr);
    for (uint32_t id : event_id::kAll) {
        DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(L"Svc"), reinterpret_cast<DWORD_PTR>(L"two"),
                               reinterpret_cast<DWORD_PTR>(L"three")};
        wchar_t text[1024] = {};
        DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, table, id, 0x409,
                                      text, 1024, reinterpret_cast<va_list *>(inserts));
        EXPECT_GT(length, 0u) << id << " error " << GetLastError();
        EXPECT_NE(std::wstring(text).find(L"service Svc "), std::wstring::npos) << id << ": " << narrowBytes(text);
    }
    FreeLibrary(table);

    // A hand-made account stays; the registration is changed, not replaced.
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceW(manager, name().c_str(), SERVICE_CHANGE_CONFIG);
    ASSERT_TRUE(ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_DEMAND_START, SERVICE_NO_CHANGE, nullptr,
                                     nullptr, nullptr, L"Tcpip\0", L"NT AUTHORITY\\LocalService", nullptr, nullptr));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    EXPECT_EQ(registeredConfig(name()).dependencies, std::wstring(L"Tcpip\0\0", 7)) << "set by hand";
    app_ = makeApp(L"App.exe", {{record::kUpdateInPlace, "1"}, {record::kEventLog, "1"}, {record::kLauncherType, "4"}});
    expectRun(L"/install", 0u, said("Updated service '%S'.\r\n"));
    RegisteredConfig config = registeredConfig(name());
    EXPECT_EQ(config.startType, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config.account, L"NT AUTHORITY\\LocalService");
    // Known difference: Wine's ChangeServiceConfigW drops the dependencies
    // when given none to change; Windows keeps them.
    EXPECT_EQ(config.dependencies, L"");
    expectRun(L"/uninstall", 0u, said("Service is already stopped.\r\nUninstalled service '%S'.\r\n"));
    HKEY gone = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, source.c_str(), 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND);

    // Without a console to ask on, a user account needs its password from the
    // environment; accounts that take none refuse one. Nothing is registered.
    app_ = makeApp(L"App.exe", {{record::kServiceAccount, "CORP\\svc-app"}});
    expectRun(L"/install", 1u, "No password for CORP\\svc-app: set PELLUX_SERVICE_PASSWORD or run /install in a "
                               "console to be asked for it.\r\n");
    app_ = makeApp(L"App.exe", {{record::kServiceAccount, "CORP\\svc-app$"}});
    RunResult given = runProgram(app_, L"/install", {{L"PELLUX_SERVICE_PASSWORD", std::wstring(L"secret")}});
    EXPECT_EQ(given.exitCode, 1u);
    EXPECT_EQ(given.out, "The account CORP\\svc-app$ takes no password; unset PELLUX_SERVICE_PASSWORD.\r\n");
    EXPECT_FALSE(registeredConfig(name()).found);
    // Wine knows no domain: the right cannot be granted, which install says.
    RunResult managed = app(L"/install");
    EXPECT_EQ(managed.exitCode, 0u);
    EXPECT_EQ(managed.out.rfind(said("Installed service '%S'.\r\nWarning: could not grant CORP\\svc-app$ the right "
                                     "to log on as a service (error 1332)"), 0), 0u) << managed.out;
    EXPECT_EQ(registeredConfig(name()).account, L"CORP\\svc-app$");
}

TEST_F(ServiceCommands, ControllingAServiceThatDoesNotExistFails) {
    app_ = makeApp(L"App.exe", {});
    expectRun(L"/start", 1u, "Could not start service. Error code: 1060\r\n");
    expectRun(L"/stop", 1u, "Could not stop service.\r\n");
    expectRun(L"/status", 1u, "Could not get status.\r\n");
}

TEST_F(ServiceCommands, StatusFailsWhenTheConfigurationDoesNotFitItsBuffer) {
    // Never started: only its configuration matters, and it needs more than 6000 bytes.
    service_.reset(new TestService(L"C:\\" + std::wstring(7000, L'x') + L".exe"));
    ASSERT_TRUE(service_->registered());
    app_ = makeApp(L"App.exe", {});
    RunResult status = app(L"/status");
    EXPECT_EQ(status.exitCode, 1u);
    EXPECT_EQ(status.out.rfind("Not running.\r\nCould not get config (122, ", 0), 0u) << status.out;
}

TEST_F(ServiceCommands, StartStatusAndStopDriveARunningService) {
    registerTestHost();
    app_ = makeApp(L"App.exe", {});
    expectRun(L"/start " + inQuotes(name()) + L" a \"b c\"", 0u, said("Starting service '%S'.\r\n"));
    ASSERT_TRUE(workerRunning());
    std::string commandLine = readFileBytes(reports_.file(kWorkerCommandLineFile));
    EXPECT_NE(commandLine.find(" a \"b c\" __zno_restart"), std::string::npos) << commandLine;

    expectRun(L"/status", 0u, "Running.\r\n");
    expectRun(L"-start", 0u, "Service is already running.\r\n");

    expectRun(L"/stop " + inQuotes(name()), 0u, said("Stopping service '%S'.\r\nService stopped\r\n"));
    EXPECT_EQ(readFileBytes(reports_.file(kWorkerInputFile)), "0\n");
    expectRun(L"/stop", 0u, "Service is already stopped.\r\n");
}

TEST_F(ServiceCommands, RestartStopsWhenRunningAndStartsWithNewArguments) {
    registerTestHost();
    app_ = makeApp(L"App.exe", {});
    expectRun(L"/restart " + inQuotes(name()) + L" one", 0u,
              said("Service is already stopped.\r\nStarting service '%S'.\r\n"));
    ASSERT_TRUE(workerRunning());
    forgetWorkerReports();

    expectRun(L"/restart " + inQuotes(name()) + L" two", 0u,
              said("Stopping service '%S'.\r\nService stopped\r\nStarting service '%S'.\r\n"));
    ASSERT_TRUE(workerRunning());
    std::string commandLine = readFileBytes(reports_.file(kWorkerCommandLineFile));
    EXPECT_NE(commandLine.find(" two __zno_restart"), std::string::npos) << commandLine;
}

// "/install Spooler" must neither stop nor replace another program's service;
// with record 30402 "/uninstall" must not remove it either.
TEST_F(ServiceCommands, InstallAndUninstallLeaveAServiceOfAnotherProgramAlone) {
    registerTestHost();
    std::wstring foreign = registeredConfig(name()).binaryPath;
    ASSERT_TRUE(service_->start());
    ASSERT_TRUE(workerRunning());
    app_ = makeApp(L"App.exe", {});
    expectRun(L"/install", 1u,
              said("A service named '%S' already exists for another program (") + narrowBytes(foreign) +
                  "); it is not replaced.\r\n");
    EXPECT_EQ(app(L"/install-and-start").exitCode, 1u);
    app_ = makeApp(L"Own.exe", {{record::kUninstallOwnOnly, "1"}});
    expectRun(L"/uninstall", 1u,
              said("A service named '%S' already exists for another program (") + narrowBytes(foreign) +
                  "); it is not uninstalled.\r\n");
    EXPECT_EQ(service_->status().dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(registeredConfig(name()).binaryPath, foreign);
}

// The product as a service: its host runs its worker with the service name
// and the start arguments; the worker's run sequence logs them and, without
// a Java stage yet, fails, which leaves the service reported running.
// Services log into the prefix's temporary directory (the runner switches
// the log on in the registry's environment).
TEST_F(ServiceCommands, ProductHostRunsItsWorkerWithNameAndStartArguments) {
    std::wstring logs = windowsTempDirectory();
    removeLogs(logs);
    app_ = makeApp(L"App.exe", {});
    expectRun(L"/install-and-start " + inQuotes(name()) + L" a \"b c\"", 0u,
              said("Installed service '%S'.\r\nStarting service '%S'.\r\n"));

    std::wstring host;
    for (int i = 0; i < 400 && host.find(L"exiting") == std::wstring::npos; i++) {
        Sleep(50);
        host = logContaining(logs, L"service main");
    }
    std::wstring worker = logContaining(logs, L"run sequence (worker 1)");
    removeLogs(logs);
    EXPECT_TRUE(inOrder(host, {L"command line " + inQuotes(app_), L"calling StartServiceCtrlDispatcher",
                               L"service main", L"service name is '" + name() + L"'",
                               L"registering ConsoleCtrlHandler", L"process terminated with exit code 1",
                               L"exiting"}))
        << host;
    EXPECT_EQ(host.find(L"service stopped set"), std::wstring::npos) << host;
    EXPECT_TRUE(inOrder(worker, {L"command line " + app_ + L" \"" + name() + L"\" a \"b c\" __zno_restart",
                                 L"run sequence (worker 1) with 3 arguments", L"argument 0: " + name(),
                                 L"argument 1: a", L"argument 2: b c"}))
        << worker;
}

// Wine keeps the pre-shutdown timeout, answers ERROR_INVALID_LEVEL for failure
// actions (which it accepts and drops) and refuses their flag: what it drops
// is checked in the install's log here and natively in robustness_rules_test.
TEST_F(ServiceCommands, InstallRegistersRecoveryAndPreshutdownOnlyWhereTheRecordsAskForThem) {
    ScratchDirectory logs;
    app_ = makeApp(L"App.exe", {{record::kPreshutdownTimeout, "35"},
                                {record::kRecoveryRestarts, "3"},
                                {record::kRecoveryDelay, "100000"}});
    RunResult result = runProgram(app_, L"/install", loggingInto(logs.path()));
    EXPECT_EQ(result.out, said("Installed service '%S'.\r\n"));
    EXPECT_EQ(preshutdownTimeout(name()), 35000u);
    DWORD error;
    std::vector<BYTE> failure = queryConfig2(name(), SERVICE_CONFIG_FAILURE_ACTIONS, error);
    if (error == 0) {  // Windows
        const SERVICE_FAILURE_ACTIONSW *actions = reinterpret_cast<const SERVICE_FAILURE_ACTIONSW *>(failure.data());
        EXPECT_EQ(actions->cActions, 4u);
        EXPECT_EQ(actions->dwResetPeriod, 86400u);
    } else {
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_LEVEL)) << "Wine keeps no failure actions";
    }
    std::wstring log = logContaining(logs.path(), L"Installed") + logContaining(logs.path(), L"failure actions");
    EXPECT_TRUE(inOrder(log, {L"record 30004 value '100000' is out of bounds: using 86400",
                              L"failure actions: 3 restarts after 86400000 ms, count reset after 86400 s",
                              L"warning: could not register the failure actions flag (", L"pre-shutdown timeout 35000 ms"}))
        << log;

    ScratchDirectory plainLogs;
    std::wstring plain = makeApp(L"Plain.exe", {});
    app(L"/uninstall");
    EXPECT_EQ(runProgram(plain, L"/install", loggingInto(plainLogs.path())).exitCode, 0u);
    EXPECT_EQ(preshutdownTimeout(name()), 180000u) << "Wine's value for a service that set none";
    EXPECT_EQ(logContaining(plainLogs.path(), L"failure actions"), L"");
    EXPECT_EQ(logContaining(plainLogs.path(), L"pre-shutdown"), L"");
}

// The stand-in application sleeps and never reads the stop line: the host
// ends it when the budget is spent, and the console stop says so.
TEST_F(ServiceCommands, StopEndsAnApplicationThatIgnoresItOnceTheBudgetIsSpent) {
    std::string search = standinRuntime("main=sleep\nsleepMs=60000\n");
    ASSERT_FALSE(search.empty());
    app_ = makeApp(L"App.exe", {{record::kSearchSequence, search},
                                {record::kMinimumVersion, ""},
                                {record::kMaximumVersion, ""},
                                {record::kStopBudget, "3"}});
    expectRun(L"/install", 0u, said("Installed service '%S'.\r\n"));
    ASSERT_TRUE(service_->start());
    ASSERT_TRUE(mainEntered());
    std::vector<DWORD> workers = childProcesses(service_->status().dwProcessId);
    ASSERT_EQ(workers.size(), 1u);

    DWORD start = GetTickCount();
    ChildRun stop(app_, L"/stop", {});
    std::vector<DWORD> checkpoints;
    for (SERVICE_STATUS_PROCESS status = service_->status();
         status.dwCurrentState != SERVICE_STOPPED && GetTickCount() - start < kServiceTimeoutMs;
         status = service_->status()) {
        if (status.dwCurrentState == SERVICE_STOP_PENDING &&
            (checkpoints.empty() || checkpoints.back() != status.dwCheckPoint))
            checkpoints.push_back(status.dwCheckPoint);
        Sleep(100);
    }
    RunResult result = stop.finish(kServiceTimeoutMs);
    EXPECT_LE(GetTickCount() - start, 6000u) << "budget + 3 s";
    EXPECT_EQ(result.out, said("Stopping service '%S'.\r\nService stopped\r\n"
                               "The application did not stop in time and was ended.\r\n"));
    EXPECT_GE(checkpoints.size(), 2u);
    EXPECT_TRUE(std::is_sorted(checkpoints.begin(), checkpoints.end()));
    SERVICE_STATUS_PROCESS stopped = service_->status();
    EXPECT_EQ(stopped.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(stopped.dwServiceSpecificExitCode, 5001u);
    EXPECT_TRUE(waitForProcessEnd(workers[0], 1000)) << "the worker outlived its stop";
    EXPECT_EQ(readStandinRecord(home_.jvmRecord).findEvent(EVENT_MAIN_LEAVE), -1) << "main was not meant to return";
}

// The worker finds the stand-in runtime, creates its VM and calls main, which
// reads standard input until the stop line.
TEST_F(ServiceCommands, FullLifeCycleEndsTheApplicationThroughItsStandardInput) {
    std::string search = standinRuntime("main=stdin\n");
    ASSERT_FALSE(search.empty());
    app_ = makeApp(L"App.exe", {{record::kSearchSequence, search}, {record::kMinimumVersion, ""}, {record::kMaximumVersion, ""}});

    expectRun(L"/install", 0u, said("Installed service '%S'.\r\n"));
    expectRun(L"/start " + inQuotes(name()) + L" first \"second arg\"", 0u, said("Starting service '%S'.\r\n"));
    ASSERT_TRUE(service_->waitForState(SERVICE_RUNNING));
    ASSERT_TRUE(mainEntered());
    expectRun(L"/status", 0u, "Running.\r\n");

    expectRun(L"/stop", 0u, said("Stopping service '%S'.\r\nService stopped\r\n"));
    StandinRecord record = readStandinRecord(home_.jvmRecord);
    EXPECT_EQ(record.stdinLines, std::vector<std::string>{"0"});
    EXPECT_EQ(record.stdinEnd, STDIN_END_STOP_LINE);
    EXPECT_TRUE(record.hasOption("-Xrs"));
    EXPECT_NE(std::find(record.mainArguments.begin(), record.mainArguments.end(), "second arg"),
              record.mainArguments.end());
    SERVICE_STATUS_PROCESS stopped = service_->status();
    EXPECT_EQ(stopped.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(stopped.dwWin32ExitCode, 0u);

    expectRun(L"/uninstall", 0u, said("Service is already stopped.\r\nUninstalled service '%S'.\r\n"));
}

// The (command word, exit code) rows of the exit code table; a row with
// "0, 1, *n*" gives one pair for each.
std::set<std::pair<std::string, std::string>> documentedExitCodes() {
    std::set<std::pair<std::string, std::string>> rows;
    std::istringstream table(readFileBytes(windowsPathOf(PELLUX_EXIT_CODES_DOC)));
    for (std::string line; std::getline(table, line);) {
        if (line.rfind("| `/", 0) != 0)
            continue;
        size_t wordEnd = line.find('`', 3), codesBegin = line.find("| ", wordEnd) + 2;
        std::string word = line.substr(3, wordEnd - 3), codes = line.substr(codesBegin, line.find(" |", codesBegin) - codesBegin);
        for (size_t at = 0, comma; at <= codes.size(); at = comma + 2) {
            comma = std::min(codes.find(", ", at), codes.size());
            rows.insert({word, codes.substr(at, comma - at)});
        }
    }
    return rows;
}

// Each command once, in an order that gives every documented situation a
// turn; a code the table does not list, or a command it lists that is not
// run here, fails.
TEST_F(ServiceCommands, EveryCommandEndsWithAnExitCodeOfTheTable) {
    ScratchDirectory runtimes;
    RuntimeHomeLayout serviceLayout, exitingLayout;
    serviceLayout.jvmSettings = "main=stdin\n";
    exitingLayout.jvmSettings = "main=exit\nexitCode=7\n";
    RuntimeHome serviceHome, exitingHome;
    std::string error;
    ASSERT_TRUE(layOutRuntimeHome(runtimes.file(L"service"), serviceLayout, serviceHome, error)) << error;
    ASSERT_TRUE(layOutRuntimeHome(runtimes.file(L"exiting"), exitingLayout, exitingHome, error)) << error;
    auto searchIn = [](const RuntimeHome &home, const std::string &service) {
        return blockWith({{record::kSearchSequence, "B" + narrowBytes(home.home)}, {record::kMinimumVersion, ""},
                          {record::kMaximumVersion, ""}, {record::kServiceName, service}});
    };
    app_ = makeConfiguredLauncher(directory_.path(), L"App.exe", searchIn(serviceHome, narrowBytes(name())));
    std::wstring exiting = makeConfiguredLauncher(directory_.path(), L"Exits.exe", searchIn(exitingHome, "Exits"));

    std::set<std::pair<std::string, std::string>> documented = documentedExitCodes(), seen;
    std::set<std::string> documentedWords, runWords;
    for (const auto &row : documented)
        documentedWords.insert(row.first);
    auto run = [&](const std::wstring &program, const std::string &word, const char *codeName = nullptr) {
        RunResult result = runProgram(program, L"/" + widenBytes(word));
        std::string code = codeName ? codeName : std::to_string(result.exitCode);
        EXPECT_TRUE(documented.count({"/" + word, code})) << "/" << word << " ended with " << result.exitCode;
        runWords.insert("/" + word);
        return result.exitCode;
    };
    EXPECT_EQ(run(app_, "?"), 0u);
    run(app_, "help");
    EXPECT_EQ(run(app_, "status"), 1u);
    run(app_, "install-demand");
    run(app_, "install-auto");
    run(app_, "install");
    EXPECT_EQ(run(app_, "status"), 3u);
    EXPECT_EQ(run(app_, "diagnose"), 0u);
    EXPECT_EQ(run(app_, "start"), 0u);
    ASSERT_TRUE(service_->waitForState(SERVICE_RUNNING));
    run(app_, "restart");
    run(app_, "stop");
    run(app_, "install-and-start");
    EXPECT_EQ(run(app_, "uninstall"), 0u);
    EXPECT_EQ(run(exiting, "run", "*n*"), 7u);
    EXPECT_EQ(run(exiting, "run-redirect", "*n*"), 7u);
    EXPECT_EQ(runWords, documentedWords);
    removeVersionCacheRecordsBelow(runtimes.path());
}

}  // namespace
