// What install does to keep the service from being taken over by a local
// user: the account it registers, and a look at who may write to its folder.
#ifndef PELLUX_SERVICE_INSTALL_SECURITY_H
#define PELLUX_SERVICE_INSTALL_SECURITY_H

#include <string>

#include "config/settings.h"

// Prints a warning, with how to mend it, when accounts other than SYSTEM and
// the administrators may write to the executable's folder: its .vmoptions
// file, class path and runtime would run as the service.
// serviceSid: the account the service runs as, whose own writes run nothing
// as anyone else; empty when unknown.
void warnIfFolderWritableByUsers(const std::wstring &serviceSid = std::wstring());

#endif
