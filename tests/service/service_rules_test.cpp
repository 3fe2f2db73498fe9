// The service front end's pure rules: what the worker's command line carries,
// the dependency list of a registration, and when the stop wait gives up.
#include <gtest/gtest.h>

#include "common/split_command_line.h"
#include "diagnostics/event_rules.h"
#include "service/security_rules.h"
#include "service/service_rules.h"

namespace {

std::wstring workerLine(const StringList &hostTokens, const wchar_t *name, const StringList &arguments,
                        size_t capacity = kWorkerCommandLineCapacity) {
    std::wstring line = L"(unchanged)";
    buildWorkerCommandLine(hostTokens, name, arguments, line, capacity);
    return line;
}

TEST(WorkerCommandLine, QuotesOnlyWhatHoldsABlank) {
    EXPECT_EQ(workerLine({L"C:\\Program Files\\App\\App.exe"}, L"My Service", {}),
              L"\"C:\\Program Files\\App\\App.exe\" \"My Service\" __zno_restart");
    EXPECT_EQ(workerLine({L"C:\\App\\App.exe"}, L"Svc", {L"a b", L"c"}),
              L"C:\\App\\App.exe Svc \"a b\" c __zno_restart");
}

TEST(WorkerCommandLine, HostTokensComeBeforeTheStartArguments) {
    EXPECT_EQ(workerLine({L"App.exe", L"-x", L"y z"}, L"Svc", {L"first", L"second"}),
              L"App.exe Svc -x \"y z\" first second __zno_restart");
}

// The worker splits its line with splitCommandLine; whatever an argument
// holds, it must come back whole and the marker must stay last.
TEST(WorkerCommandLine, EveryArgumentSurvivesTheWorkersSplit) {
    StringList arguments = {L"x\"y", L"\"", L"\"\"", L"a\"\"b", L"", L"tab\there", L"end\"", L"\"start",
                            L"C:\\dir\\", L"\"C:\\dir\\\"", L" "};
    std::wstring line = workerLine({L"C:\\Program Files\\App.exe"}, L"My \"Svc\"", arguments);
    StringList tokens;
    splitCommandLine(line.c_str(), tokens);
    StringList expected = {L"C:\\Program Files\\App.exe", L"My \"Svc\""};
    expected.insert(expected.end(), arguments.begin(), arguments.end());
    expected.push_back(workerMarker);
    EXPECT_EQ(tokens, expected) << line;
}

TEST(WorkerCommandLine, ALineThatDoesNotFitIsRefusedWhole) {
    // "A S x __zno_restart" is 19 characters: it needs a capacity of 20.
    EXPECT_EQ(workerLine({L"A"}, L"S", {L"x"}, 20), L"A S x __zno_restart");
    EXPECT_EQ(workerLine({L"A"}, L"S", {L"x"}, 19), L"(unchanged)");
    EXPECT_EQ(workerLine({L"A"}, L"S", {std::wstring(kWorkerCommandLineCapacity, L'a')}), L"(unchanged)");
}

TEST(DependencyList, EmptyNamesAreSkippedAndBlanksKept) {
    EXPECT_EQ(buildDependencyList(L"Tcpip,,Afd"), std::wstring(L"Tcpip\0Afd\0\0", 11));
    EXPECT_EQ(buildDependencyList(L",One,"), std::wstring(L"One\0\0", 5));
    EXPECT_EQ(buildDependencyList(L" a , b"), std::wstring(L" a \0 b\0\0", 8));
    EXPECT_EQ(buildDependencyList(L""), L"");
    EXPECT_EQ(buildDependencyList(L",,,"), L"");
}

const uint32_t kStopPending = 3;
const uint32_t kStopped = 1;

TEST(StopWait, GivesUpWhenTheHintPassesWithoutProgress) {
    StopWait wait;
    beginStopWait(wait, 0, 1000);
    EXPECT_TRUE(keepWaitingForStop(wait, kStopPending, 0, 50000, 51000));
    EXPECT_FALSE(keepWaitingForStop(wait, kStopPending, 0, 50000, 51001));
}

TEST(StopWait, AnAdvancingCheckpointRestartsTheClock) {
    StopWait wait;
    beginStopWait(wait, 0, 0);
    EXPECT_TRUE(keepWaitingForStop(wait, kStopPending, 1, 1000, 900));
    EXPECT_TRUE(keepWaitingForStop(wait, kStopPending, 1, 1000, 1900));
    EXPECT_FALSE(keepWaitingForStop(wait, kStopPending, 1, 1000, 1901));
}

TEST(StopWait, TickCountWrapDoesNotEndTheWait) {
    StopWait wait;
    beginStopWait(wait, 0, 0xFFFFFF00u);
    EXPECT_TRUE(keepWaitingForStop(wait, kStopPending, 0, 50000, 0x100));
}

TEST(StopWait, EndsAsSoonAsTheServiceLeavesStopPending) {
    StopWait wait;
    beginStopWait(wait, 0, 0);
    EXPECT_FALSE(keepWaitingForStop(wait, kStopped, 0, 50000, 500));
}

}  // namespace

// Install replaces only its own registration: quoted or not, any letter case.
TEST(SecurityRules, InstallReplacesOnlyARegistrationOfThisProgram) {
    const wchar_t *program = L"C:\\Services\\My App\\App.exe";
    EXPECT_TRUE(registrationRunsProgram(L"\"C:\\Services\\My App\\App.exe\"", program));
    EXPECT_TRUE(registrationRunsProgram(L"\"c:\\services\\my app\\APP.EXE\" -x", program));
    EXPECT_TRUE(registrationRunsProgram(L"C:\\Services\\My App\\App.exe", program));
    EXPECT_FALSE(registrationRunsProgram(L"C:\\Windows\\System32\\spoolsv.exe", program));
    EXPECT_FALSE(registrationRunsProgram(L"\"C:\\Services\\My App\\App.exe.bak\"", program));
    EXPECT_FALSE(registrationRunsProgram(L"C:\\Services\\My.exe App\\App.exe", program));
    EXPECT_FALSE(registrationRunsProgram(L"\"C:\\Services\\My App\\App.exe", program)) << "unterminated";
    EXPECT_FALSE(registrationRunsProgram(L"", L"")) << "no path of its own";
}

TEST(SecurityRules, OnlyTheSixPriorityClassesAreAccepted) {
    for (uint32_t value : {0x40u, 0x4000u, 0x20u, 0x8000u, 0x80u, 0x100u})
        EXPECT_TRUE(isPriorityClass(value)) << value;
    for (uint32_t value : {0u, 0x40u | 0x10u, 0x20u | 0x01000000u, 0x60u, 0xFFFFFFFFu})
        EXPECT_FALSE(isPriorityClass(value)) << value;
}

// Whom a service may run as, and which entries of a folder's DACL let others
// plant files there (Wine keeps no file permissions, so the rule is held here).
TEST(SecurityRules, AccountsAndWhoMayWriteToTheFolder) {
    std::wstring account = L"unchanged";
    EXPECT_TRUE(serviceAccountName(L"", L"Svc", &account) && account.empty());
    EXPECT_TRUE(serviceAccountName(L"LocalSystem", L"Svc", &account) && account.empty());
    EXPECT_TRUE(serviceAccountName(L"LocalService", L"Svc", &account) && account == L"NT AUTHORITY\\LocalService");
    EXPECT_TRUE(serviceAccountName(L"NetworkService", L"Svc", &account) && account == L"NT AUTHORITY\\NetworkService");
    EXPECT_TRUE(serviceAccountName(L"virtual", L"My Svc", &account) && account == L"NT SERVICE\\My Svc");
    EXPECT_FALSE(serviceAccountName(L"localsystem", L"Svc", &account));

    // Forms beyond the built-in ones, and what install must ask for each.
    const struct {
        const wchar_t *choice;
        AccountKind kind;
    } forms[] = {
        {L"LocalService", AccountKind::kBuiltIn},   {L"CORP\\svc-app", AccountKind::kUser},
        {L".\\svc-app", AccountKind::kUser},        {L"CORP\\svc-app$", AccountKind::kManagedGroup},
        {L".\\svc-app$", AccountKind::kUnknown},    {L"svc-app", AccountKind::kUnknown},
        {L"CORP\\", AccountKind::kUnknown},         {L"\\svc", AccountKind::kUnknown},
        {L"CORP\\a\\b", AccountKind::kUnknown},     {L"CORP\\svc@x", AccountKind::kUnknown},
        {L"CORP\\$", AccountKind::kUnknown},        {L"CORP\\..", AccountKind::kUnknown},
    };
    for (const auto &form : forms) {
        ServiceAccount classified = classifyServiceAccount(form.choice, L"Svc");
        EXPECT_EQ(classified.kind, form.kind) << form.choice;
        if (form.kind == AccountKind::kUser || form.kind == AccountKind::kManagedGroup) {
            EXPECT_EQ(classified.name, form.choice);
        }
    }
    ServiceAccount user = classifyServiceAccount(L"CORP\\svc", L"Svc");
    ServiceAccount managed = classifyServiceAccount(L"CORP\\svc$", L"Svc");
    ServiceAccount system = classifyServiceAccount(L"", L"Svc");
    EXPECT_EQ(passwordProblem(user, true, false), L"");
    EXPECT_EQ(passwordProblem(user, false, true), L"") << "asked on the console";
    EXPECT_EQ(passwordProblem(user, false, false),
              L"No password for CORP\\svc: set PELLUX_SERVICE_PASSWORD or run /install in a console to be asked for it.");
    EXPECT_EQ(passwordProblem(managed, false, false), L"");
    EXPECT_EQ(passwordProblem(managed, true, true), L"The account CORP\\svc$ takes no password; unset PELLUX_SERVICE_PASSWORD.");
    EXPECT_EQ(passwordProblem(system, true, true), L"The account LocalSystem takes no password; unset PELLUX_SERVICE_PASSWORD.");
    EXPECT_TRUE(needsServiceLogonRight(AccountKind::kManagedGroup) && !needsServiceLogonRight(AccountKind::kBuiltIn));
    EXPECT_STREQ(startTypeLine(2, false), "Auto-start");
    EXPECT_STREQ(startTypeLine(2, true), "Auto-start (delayed)");
    EXPECT_EQ(startTypeLine(3, true), nullptr);

    EXPECT_TRUE(grantsWrite(0x1f01ff)) << "full control";
    EXPECT_TRUE(grantsWrite(0x2)) << "add file";
    EXPECT_TRUE(grantsWrite(0x40000)) << "write DAC";
    EXPECT_TRUE(grantsWrite(0x40000000)) << "generic write";
    EXPECT_FALSE(grantsWrite(0x1200a9)) << "read and execute";
    EXPECT_TRUE(isTrustedWriter(L"S-1-5-18"));
    EXPECT_TRUE(isTrustedWriter(L"S-1-5-32-544"));
    EXPECT_FALSE(isTrustedWriter(L"S-1-5-32-545")) << "users";
    EXPECT_FALSE(isTrustedWriter(L"S-1-5-11")) << "authenticated users";
    EXPECT_FALSE(isTrustedWriter(L"S-1-5-21-1-2-3-1001"));
}

// A failing loop must not flood the event log: a few entries of one id a
// minute, each id counted apart, across the wrap of the tick count.
TEST(EventRateLimit, AFewEntriesOfOneIdAMinute) {
    EventRateLimit limit;
    uint32_t start = 0xFFFFF000u;
    for (uint32_t i = 0; i < EventRateLimit::kBurst; i++)
        EXPECT_TRUE(limit.allow(event_id::kLaunchFailed, start + i * 1000)) << i;
    EXPECT_FALSE(limit.allow(event_id::kLaunchFailed, start + 5000));
    EXPECT_TRUE(limit.allow(event_id::kServiceStarted, start + 5000)) << "another id";
    EXPECT_FALSE(limit.allow(event_id::kLaunchFailed, start + EventRateLimit::kWindowMs - 1));
    EXPECT_TRUE(limit.allow(event_id::kLaunchFailed, start + EventRateLimit::kWindowMs)) << "the oldest left the window";
    EXPECT_FALSE(limit.allow(event_id::kLaunchFailed, start + EventRateLimit::kWindowMs + 1));
    for (int i = 0; i < 10; i++)
        EXPECT_TRUE(limit.allow(999, start)) << "ids without a text are not limited";
}

// Who may change what a LocalSystem service runs, read from the owner and the
// DACL of each path (Wine keeps no file permissions, so the rules are held here).
TEST(SecurityRules, FolderCheckFindsWhoMayChangeWhatRuns) {
    const std::wstring installer = L"S-1-5-21-7-8-9-500", user = L"S-1-5-21-7-8-9-1001";
    auto path = [&](bool above, const std::wstring &owner, std::vector<AccessEntry> allowed) {
        PathSecurity security;
        security.path = L"C:\\Svc";
        security.aboveFolder = above;
        security.owner = owner;
        security.allowed = allowed;
        return security;
    };
    const AccessEntry system{0x1f01ff, false, L"S-1-5-18"}, admins{0x1f01ff, false, L"S-1-5-32-544"};
    const AccessEntry usersRead{0x1200a9, false, L"S-1-5-32-545"}, usersModify{0x1301bf, false, L"S-1-5-11"};
    const AccessEntry usersAddFolder{0x4, false, L"S-1-5-11"}, inheritedModify{0x1301bf, true, L"S-1-5-11"};

    EXPECT_EQ(pathRisk(path(false, L"S-1-5-32-544", {system, admins, usersRead}), installer), PathRisk::kNone);
    EXPECT_EQ(pathRisk(path(false, installer, {{0x1f01ff, false, installer}}), installer), PathRisk::kNone)
        << "the installing administrator";
    EXPECT_EQ(pathRisk(path(false, user, {system, admins}), installer), PathRisk::kForeignOwner);
    EXPECT_EQ(pathRisk(path(false, L"", {system}), installer), PathRisk::kForeignOwner) << "unknown owner";
    EXPECT_EQ(pathRisk(path(false, L"S-1-5-18", {system, usersModify}), installer), PathRisk::kWritable);
    EXPECT_EQ(pathRisk(path(false, L"S-1-5-18", {system, usersAddFolder}), installer), PathRisk::kWritable)
        << "planting a jre\\ or a .vmoptions file";
    EXPECT_EQ(pathRisk(path(false, L"S-1-5-18", {system, inheritedModify}), installer), PathRisk::kNone);
    PathSecurity open = path(false, L"S-1-5-18", {});
    open.nullDacl = true;
    EXPECT_EQ(pathRisk(open, installer), PathRisk::kWritable);
    PathSecurity unreadable = path(false, L"S-1-5-18", {system});
    unreadable.readError = 5;
    EXPECT_EQ(pathRisk(unreadable, installer), PathRisk::kUnreadable) << "fails closed";

    // Above the folder only renaming and changing count: C:\ lets every user make folders.
    EXPECT_EQ(pathRisk(path(true, L"S-1-5-18", {system, usersAddFolder, inheritedModify}), installer),
              PathRisk::kNone);
    EXPECT_EQ(pathRisk(path(true, L"S-1-5-7", {{0x1f01ff, false, L"S-1-5-7"}}), installer), PathRisk::kNone)
        << "Wine's view of another Unix account's folder";
    EXPECT_EQ(pathRisk(path(false, L"S-1-5-7", {system}), installer), PathRisk::kForeignOwner);
    for (uint32_t mask : {0x40u, 0x10000u, 0x40000u, 0x80000u, 0x10000000u})
        EXPECT_EQ(pathRisk(path(true, L"S-1-5-18", {{mask, false, user}}), installer), PathRisk::kWritable) << mask;

    EXPECT_EQ(pathRisk(path(true, user, {system}), installer), PathRisk::kForeignOwner);

    EXPECT_EQ(foldersAbove(L"C:\\Services\\App\\"), (std::vector<std::wstring>{L"C:\\Services", L"C:\\"}));
    EXPECT_EQ(foldersAbove(L"\\\\server\\share\\App"), (std::vector<std::wstring>{L"\\\\server\\share"}));
    EXPECT_TRUE(foldersAbove(L"C:\\").empty());
    EXPECT_TRUE(isPrivilegedAccount(L"") && isPrivilegedAccount(L"LocalSystem"));
    EXPECT_FALSE(isPrivilegedAccount(L"NT AUTHORITY\\LocalService") || isPrivilegedAccount(L"LocalService"));
}

// Only "does not exist" means no service: any other failure to open or read
// it is treated as another program's, and nothing is touched.
TEST(SecurityRules, ARegistrationThatCannotBeReadIsAnotherPrograms) {
    const wchar_t *program = L"C:\\Svc\\App.exe";
    EXPECT_EQ(registrationOf(1060, nullptr, program), Registration::kNone);
    EXPECT_EQ(registrationOf(0, L"\"C:\\Svc\\App.exe\"", program), Registration::kThisProgram);
    EXPECT_EQ(registrationOf(0, L"C:\\Windows\\spoolsv.exe", program), Registration::kOtherProgram);
    EXPECT_EQ(registrationOf(0, nullptr, program), Registration::kUnknown) << "configuration unreadable";
    for (uint32_t error : {5u, 123u, 1072u})
        EXPECT_EQ(registrationOf(error, nullptr, program), Registration::kUnknown) << error;
}

// The stop turn waits only on a mutex SYSTEM, the administrators or the
// caller own: any user may create the name first and hold it.
TEST(SecurityRules, OnlyObjectsOfTheAdministratorsAreWaitedOn) {
    const std::wstring self = L"S-1-5-21-7-8-9-500";
    for (const wchar_t *owner : {L"S-1-5-18", L"S-1-5-32-544", L"S-1-5-21-7-8-9-500"})
        EXPECT_TRUE(isTrustedOwner(owner, self)) << owner;
    for (const wchar_t *owner : {L"", L"S-1-5-21-7-8-9-1001", L"S-1-1-0", L"S-1-5-11"})
        EXPECT_FALSE(isTrustedOwner(owner, self)) << owner;
    EXPECT_FALSE(isTrustedOwner(L"", L"")) << "an unreadable owner is no match for an unknown self";
}
