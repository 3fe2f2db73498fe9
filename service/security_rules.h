// Decisions that keep the service from being taken over: whose registration
// install may replace, which priority values the host accepts. No Win32 here.
#ifndef PELLUX_SERVICE_SECURITY_RULES_H
#define PELLUX_SERVICE_SECURITY_RULES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// True when the registered binary path starts this program: in quotes, or
// unquoted and followed by the end or a blank; ASCII letter case aside. A path
// in another form (a short name, another drive letter) does not count.
bool registrationRunsProgram(const wchar_t *binaryPath, const wchar_t *program);

// Whose service of the name install and uninstall are about to touch.
enum class Registration { kNone, kThisProgram, kOtherProgram, kUnknown };
// From OpenService's error (0: opened) and the registered binary path (null:
// the configuration could not be read). Any failure but "does not exist"
// leaves it unknown, which callers treat as another program's.
Registration registrationOf(uint32_t openError, const wchar_t *binaryPath, const wchar_t *program);

// The account name CreateService takes for the choice of the account record:
// empty for LocalSystem (and an empty record), false for an unknown choice.
bool serviceAccountName(const std::wstring &choice, const std::wstring &serviceName, std::wstring *account);

// What the account record names, and so what install must ask for.
enum class AccountKind {
    kBuiltIn,        // LocalSystem, LocalService, NetworkService, virtual: no password
    kUser,           // "DOMAIN\user" or ".\user": a password
    kManagedGroup,   // "DOMAIN\name$" (a gMSA): no password, Windows fetches it
    kUnknown,
};
struct ServiceAccount {
    AccountKind kind = AccountKind::kUnknown;
    std::wstring name;  // as CreateService takes it; empty for LocalSystem
};
// The account of the record's choice; kUnknown for any other form.
ServiceAccount classifyServiceAccount(const std::wstring &choice, const std::wstring &serviceName);
// Accounts that need "Log on as a service" granted, as the Services console does.
inline bool needsServiceLogonRight(AccountKind kind) {
    return kind == AccountKind::kUser || kind == AccountKind::kManagedGroup;
}
// Whether an install can go on: "" when it can, else the message to print.
// passwordGiven: from the environment; interactive: a console to ask on.
std::wstring passwordProblem(const ServiceAccount &account, bool passwordGiven, bool interactive);

// Rights on a folder that let their holder put files there or change who may.
bool grantsWrite(uint32_t accessMask);
// SYSTEM, the administrators and TrustedInstaller, as string SIDs.
bool isTrustedWriter(const std::wstring &sid);

// What the install check reads of one path: its owner and the allowing
// entries of its DACL, SIDs as text.
struct AccessEntry {
    uint32_t mask = 0;
    bool inheritOnly = false;  // applies to children only
    std::wstring sid;
};
struct PathSecurity {
    std::wstring path;
    bool aboveFolder = false;  // a folder above the service folder
    uint32_t readError = 0;    // nonzero: its security could not be read
    std::wstring owner;
    bool nullDacl = false;     // no DACL: everyone may do anything
    std::vector<AccessEntry> allowed;
};

enum class PathRisk { kNone, kUnreadable, kForeignOwner, kWritable };

// Whether someone other than SYSTEM, the administrators, TrustedInstaller and
// the installing account (installer, a SID) could change what the path
// holds. Above the service folder only renaming, deleting children and
// changing the DACL count: creating a folder beside it changes nothing; and
// the anonymous logon, which owns no folder on Windows, is Wine's name for
// another Unix account there.
PathRisk pathRisk(const PathSecurity &path, const std::wstring &installer);
// An owner whose object may be waited on or trusted: SYSTEM, the
// administrators, TrustedInstaller or self (this process's user SID).
bool isTrustedOwner(const std::wstring &owner, const std::wstring &self);
// The folders from the service folder's parent up to its root, nearest first.
std::vector<std::wstring> foldersAbove(const std::wstring &folder);
// The account record's choices that run with full control of the machine.
inline bool isPrivilegedAccount(const std::wstring &choice) { return choice.empty() || choice == L"LocalSystem"; }

// One of the six priority classes CreateProcess takes; any other bits would
// become creation flags of the worker.
inline bool isPriorityClass(uint32_t value) {
    // Idle, below normal, normal, above normal, high, realtime.
    return value == 0x40 || value == 0x4000 || value == 0x20 || value == 0x8000 || value == 0x80 || value == 0x100;
}

#endif
