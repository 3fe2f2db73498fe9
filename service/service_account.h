// The account install registers the service under, and what that account
// needs: a password (taken from PELLUX_SERVICE_PASSWORD or asked for on the
// console without echo; never stored, never logged) and the right to log on
// as a service.
#ifndef PELLUX_SERVICE_SERVICE_ACCOUNT_H
#define PELLUX_SERVICE_SERVICE_ACCOUNT_H

#include <string>

#include "config/settings.h"
#include "service/security_rules.h"

// Holds a password for the install and wipes it when it goes.
class AccountPassword {
public:
    AccountPassword() = default;
    ~AccountPassword();
    AccountPassword(const AccountPassword &) = delete;
    AccountPassword &operator=(const AccountPassword &) = delete;
    void assign(const wchar_t *text, size_t length);
    // Null when the account takes none.
    const wchar_t *get() const { return given_ ? text_ : nullptr; }
    // 256 characters and the terminator: Windows allows no longer one.
    static const size_t kCapacity = 257;

private:
    wchar_t text_[kCapacity] = {};
    bool given_ = false;
};

// The account of record 30300 and its password. False, with the reason
// printed, for an unknown form, a password where the account takes none, or
// none where it needs one and there is no console to ask on.
bool chooseAccount(const Settings &settings, const wchar_t *serviceName, ServiceAccount *account,
                   AccountPassword *password);

// Grants "Log on as a service" to a user or managed account, as the Services
// console does, and says so; a refusal is a printed warning.
void grantServiceLogonRight(const ServiceAccount &account);

// The account's SID as a string ("S-1-5-19"), empty when Windows does not
// know the name; LocalSystem's for an empty name.
std::wstring accountSid(const ServiceAccount &account);

#endif
