// What install does to keep the service from being taken over by a local
// user: the account it registers, and a look at who may write to its folder.
#ifndef PELLUX_SERVICE_INSTALL_SECURITY_H
#define PELLUX_SERVICE_INSTALL_SECURITY_H

#include <windows.h>

#include <string>

#include "config/settings.h"

// The account of record 30300 for CreateService (empty: LocalSystem); false,
// with the reason printed, for an unknown choice.
bool chooseServiceAccount(const Settings &settings, const wchar_t *serviceName, std::wstring *account);

// Looks, before install registers anything, at who may change what the
// service runs: its folder, the runtime, class path and option files there,
// the folders above. When others may, a LocalSystem service (account as
// chooseServiceAccount gives it) is refused with record 30400, false; else a
// warning goes to standard error.
bool folderAllowsInstall(const Settings &settings, const std::wstring &account);

// This process's user as a string SID; empty when it cannot be read.
std::wstring currentUserSid();
// The owner of a kernel object as a string SID; empty when it cannot be read.
std::wstring kernelObjectOwner(HANDLE object);

#endif
