#include "service/security_rules.h"

namespace {

wchar_t lowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; }

}  // namespace

bool registrationRunsProgram(const wchar_t *binaryPath, const wchar_t *program) {
    bool quoted = binaryPath[0] == L'"';
    const wchar_t *registered = binaryPath + (quoted ? 1 : 0);
    size_t i = 0;
    for (; program[i] != 0; i++)
        if (lowerAscii(registered[i]) != lowerAscii(program[i]))
            return false;
    wchar_t after = registered[i];
    return i > 0 && (quoted ? after == L'"' : after == 0 || after == L' ');
}

Registration registrationOf(uint32_t openError, const wchar_t *binaryPath, const wchar_t *program) {
    const uint32_t kServiceDoesNotExist = 1060;
    if (openError == kServiceDoesNotExist)
        return Registration::kNone;
    if (openError != 0 || binaryPath == nullptr)
        return Registration::kUnknown;
    return registrationRunsProgram(binaryPath, program) ? Registration::kThisProgram : Registration::kOtherProgram;
}

bool serviceAccountName(const std::wstring &choice, const std::wstring &serviceName, std::wstring *account) {
    if (choice.empty() || choice == L"LocalSystem")
        account->clear();
    else if (choice == L"LocalService" || choice == L"NetworkService")
        *account = L"NT AUTHORITY\\" + choice;
    else if (choice == L"virtual")
        *account = L"NT SERVICE\\" + serviceName;
    else
        return false;
    return true;
}

namespace {

// Characters Windows refuses in user and domain names.
bool isAccountNamePart(const std::wstring &part) {
    if (part.empty() || part.size() > 256)
        return false;
    for (wchar_t c : part)
        if (c < 0x20 || std::wstring(L"\"/\\[]:|<>+=;,?*@").find(c) != std::wstring::npos)
            return false;
    return part.find_first_not_of(L". ") != std::wstring::npos;
}

}  // namespace

ServiceAccount classifyServiceAccount(const std::wstring &choice, const std::wstring &serviceName) {
    ServiceAccount account;
    if (serviceAccountName(choice, serviceName, &account.name)) {
        account.kind = AccountKind::kBuiltIn;
        return account;
    }
    size_t separator = choice.find(L'\\');
    if (separator == std::wstring::npos)
        return account;
    std::wstring domain = choice.substr(0, separator), user = choice.substr(separator + 1);
    bool local = domain == L".";
    if ((!local && !isAccountNamePart(domain)) || !isAccountNamePart(user))
        return account;
    // A managed account lives in a domain; a local name ending in "$" is none.
    bool managed = user.back() == L'$';
    if (managed && (local || user.size() < 2))
        return account;
    account.kind = managed ? AccountKind::kManagedGroup : AccountKind::kUser;
    account.name = choice;
    return account;
}

std::wstring passwordProblem(const ServiceAccount &account, bool passwordGiven, bool interactive) {
    if (account.kind != AccountKind::kUser && passwordGiven)
        return L"The account " + (account.name.empty() ? std::wstring(L"LocalSystem") : account.name) +
               L" takes no password; unset PELLUX_SERVICE_PASSWORD.";
    if (account.kind == AccountKind::kUser && !passwordGiven && !interactive)
        return L"No password for " + account.name +
               L": set PELLUX_SERVICE_PASSWORD or run /install in a console to be asked for it.";
    return std::wstring();
}

bool grantsWrite(uint32_t accessMask) {
    // Add file, add subdirectory, delete child, delete, write DAC, write
    // owner, generic all, generic write.
    return (accessMask & (0x2 | 0x4 | 0x40 | 0x10000 | 0x40000 | 0x80000 | 0x10000000 | 0x40000000)) != 0;
}

bool isTrustedWriter(const std::wstring &sid) {
    return sid == L"S-1-5-18" || sid == L"S-1-5-32-544" ||
           sid == L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
}

namespace {

bool grantsTakeOver(uint32_t accessMask) {
    // Delete child, delete, write DAC, write owner, generic all.
    return (accessMask & (0x40 | 0x10000 | 0x40000 | 0x80000 | 0x10000000)) != 0;
}

// Windows gives the anonymous logon no folder; Wine shows another Unix
// account's folders as its, and every folder above a checkout is root's.
bool isTrustedAbove(const std::wstring &sid, const std::wstring &installer) {
    return isTrustedWriter(sid) || (!installer.empty() && sid == installer) || sid == L"S-1-5-7";
}

}  // namespace

bool isTrustedOwner(const std::wstring &owner, const std::wstring &self) {
    return isTrustedWriter(owner) || (!self.empty() && owner == self);
}

PathRisk pathRisk(const PathSecurity &path, const std::wstring &installer) {
    if (path.readError != 0)
        return PathRisk::kUnreadable;
    auto trusted = [&](const std::wstring &sid) {
        return path.aboveFolder ? isTrustedAbove(sid, installer) : isTrustedOwner(sid, installer);
    };
    if (path.owner.empty() || !trusted(path.owner))
        return PathRisk::kForeignOwner;
    if (path.nullDacl)
        return PathRisk::kWritable;
    for (const AccessEntry &entry : path.allowed) {
        bool risky = path.aboveFolder ? grantsTakeOver(entry.mask) : grantsWrite(entry.mask);
        if (!entry.inheritOnly && risky && !trusted(entry.sid))
            return PathRisk::kWritable;
    }
    return PathRisk::kNone;
}

std::vector<std::wstring> foldersAbove(const std::wstring &folder) {
    std::vector<std::wstring> folders;
    std::wstring path = folder;
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    for (;;) {
        size_t slash = path.find_last_of(L"\\/");
        if (slash == std::wstring::npos)
            break;
        path.erase(slash);
        // "C:" alone names the drive's current directory; its root is "C:\".
        if (path.empty() || (path.size() == 2 && path[1] == L':')) {
            if (!path.empty())
                folders.push_back(path + L"\\");
            break;
        }
        // The "\\server" of a UNC path is no folder.
        if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\' && path.find_first_of(L"\\/", 2) == std::wstring::npos)
            break;
        folders.push_back(path);
    }
    return folders;
}
