#include "service/service_account.h"

#include <windows.h>
#include <ntsecapi.h>
#include <sddl.h>

#include <cstdio>
#include <vector>

#include "common/format.h"
#include "common/records.h"
#include "common/win32_handles.h"
#include "diagnostics/log.h"

namespace {

const wchar_t kPasswordVariable[] = L"PELLUX_SERVICE_PASSWORD";
const size_t kAccountCapacity = 258;  // the record's schema capacity, and room for a check

void print(const char *format, const wchar_t *text = L"", int number = 0) {
    fputs(formatString(format, text, number).c_str(), stdout);
    fflush(stdout);
}

bool consoleInput(DWORD *mode) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    return input != nullptr && input != INVALID_HANDLE_VALUE && GetConsoleMode(input, mode);
}

// 0 when unset or empty, 1 when taken, -1 when too long to be one.
int passwordFromEnvironment(AccountPassword *password) {
    wchar_t value[AccountPassword::kCapacity] = {};
    DWORD length = GetEnvironmentVariableW(kPasswordVariable, value, AccountPassword::kCapacity);
    if (length > 0 && length < AccountPassword::kCapacity)
        password->assign(value, length);
    SecureZeroMemory(value, sizeof value);
    return length == 0 ? 0 : length < AccountPassword::kCapacity ? 1 : -1;
}

// The line typed, without echo; the console's mode is restored either way.
bool passwordFromConsole(const std::wstring &account, DWORD mode, AccountPassword *password) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    print("Password for %S: ", account.c_str());
    SetConsoleMode(input, (mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT);
    wchar_t line[AccountPassword::kCapacity] = {};
    DWORD read = 0;
    bool done = ReadConsoleW(input, line, AccountPassword::kCapacity - 1, &read, nullptr) != FALSE;
    SetConsoleMode(input, mode);
    print("\n");
    while (read > 0 && (line[read - 1] == L'\n' || line[read - 1] == L'\r'))
        read--;
    if (done)
        password->assign(line, read);
    SecureZeroMemory(line, sizeof line);
    return done;
}

}  // namespace

AccountPassword::~AccountPassword() { SecureZeroMemory(text_, sizeof text_); }

void AccountPassword::assign(const wchar_t *text, size_t length) {
    size_t kept = length < kCapacity ? length : kCapacity - 1;
    for (size_t i = 0; i < kept; i++)
        text_[i] = text[i];
    text_[kept] = 0;
    given_ = true;
}

bool chooseAccount(const Settings &settings, const wchar_t *serviceName, ServiceAccount *account,
                   AccountPassword *password) {
    wchar_t choice[kAccountCapacity];
    settings.text(record::kServiceAccount, choice, kAccountCapacity);
    *account = classifyServiceAccount(choice, serviceName);
    if (account->kind == AccountKind::kUnknown) {
        print("Unknown service account '%S'.\n", choice);
        return false;
    }
    AccountPassword fromEnvironment;
    int fromVariable = passwordFromEnvironment(&fromEnvironment);
    if (fromVariable < 0) {
        print("PELLUX_SERVICE_PASSWORD is longer than a password can be.\n");
        return false;
    }
    bool given = fromVariable > 0;
    DWORD mode = 0;
    std::wstring problem = passwordProblem(*account, given, consoleInput(&mode));
    if (!problem.empty()) {
        print("%S\n", problem.c_str());
        return false;
    }
    if (account->kind != AccountKind::kUser)
        return true;
    if (given) {
        password->assign(fromEnvironment.get(), lstrlenW(fromEnvironment.get()));
        return true;
    }
    if (passwordFromConsole(account->name, mode, password))
        return true;
    print("No password was read for %S.\n", account->name.c_str());
    return false;
}

namespace {

// LookupAccountName knows no "." for this machine: the bare name looks here first.
bool lookUpAccount(const std::wstring &accountName, std::vector<BYTE> &sid, DWORD *error) {
    std::wstring name = accountName.compare(0, 2, L".\\") == 0 ? accountName.substr(2) : accountName;
    sid.assign(SECURITY_MAX_SID_SIZE, 0);
    wchar_t domain[256];
    DWORD sidSize = static_cast<DWORD>(sid.size()), domainSize = 256;
    SID_NAME_USE use;
    if (LookupAccountNameW(nullptr, name.c_str(), sid.data(), &sidSize, domain, &domainSize, &use)) {
        *error = ERROR_SUCCESS;
        return true;
    }
    *error = GetLastError();
    return false;
}

}  // namespace

std::wstring accountSid(const ServiceAccount &account) {
    if (account.name.empty())
        return L"S-1-5-18";
    std::vector<BYTE> sid;
    DWORD error = 0;
    LocalMemory<wchar_t *> text;
    if (!lookUpAccount(account.name, sid, &error) || !ConvertSidToStringSidW(sid.data(), text.receive()))
        return std::wstring();
    return text.get();
}

void grantServiceLogonRight(const ServiceAccount &account) {
    if (!needsServiceLogonRight(account.kind))
        return;
    std::vector<BYTE> sid;
    DWORD error = 0;
    lookUpAccount(account.name, sid, &error);
    LSA_HANDLE policy = nullptr;
    if (error == ERROR_SUCCESS) {
        LSA_OBJECT_ATTRIBUTES attributes = {};
        error = LsaNtStatusToWinError(
            LsaOpenPolicy(nullptr, &attributes, POLICY_CREATE_ACCOUNT | POLICY_LOOKUP_NAMES, &policy));
    }
    if (error == ERROR_SUCCESS) {
        wchar_t right[] = L"SeServiceLogonRight";
        LSA_UNICODE_STRING rights = {static_cast<USHORT>(sizeof right - sizeof(wchar_t)),
                                     static_cast<USHORT>(sizeof right), right};
        error = LsaNtStatusToWinError(LsaAddAccountRights(policy, sid.data(), &rights, 1));
        LsaClose(policy);
    }
    logMessage("LsaAddAccountRights SeServiceLogonRight for %s: %d", account.name.c_str(), static_cast<int>(error));
    if (error == ERROR_SUCCESS)
        print("Granted %S the right to log on as a service.\n", account.name.c_str());
    else
        print("Warning: could not grant %S the right to log on as a service (error %d); grant it in the "
              "Local Security Policy (User Rights Assignment) before the service starts.\n",
              account.name.c_str(), static_cast<int>(error));
}
