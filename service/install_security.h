// What install does to keep the service from being taken over by a local
// user: the account it registers, and a look at who may write to its folder.
#ifndef PELLUX_SERVICE_INSTALL_SECURITY_H
#define PELLUX_SERVICE_INSTALL_SECURITY_H

#include <windows.h>

#include <string>

#include "config/settings.h"

// Looks, before install registers anything, at who may change what the
// service runs: its folder, the runtime, class path and option files there,
// the folders above. When others may, a LocalSystem service (account: the
// name CreateService takes, empty for LocalSystem) is refused with the
// refuse-writable-folder record, false; else a warning goes to standard
// error. The service's own account (serviceSid) counts as a safe writer.
bool folderAllowsInstall(const Settings &settings, const std::wstring &account, const std::wstring &serviceSid);

// This process's user as a string SID; empty when it cannot be read.
std::wstring currentUserSid();
// The owner of a kernel object as a string SID; empty when it cannot be read.
std::wstring kernelObjectOwner(HANDLE object);

#endif
