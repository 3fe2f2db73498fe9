// Building a service folder's Windows Installer package with the packaging
// tools of the machine: wixl (Debian package wixl) compiles the WiX source,
// msibuild (package msitools) corrects what wixl writes differently from WiX.
#ifndef PELLUX_WRITER_MSI_BUILD_H
#define PELLUX_WRITER_MSI_BUILD_H

#include <string>

#include "writer/wix_source.h"

// Empty when the tools are there, else which are missing and their packages.
std::string missingMsiTools();

// Builds directory/package.msi from the service folder directory/folder,
// with directory/package.wxs on the way. False with wixl's or msibuild's
// words when one of them fails.
bool buildMsiPackage(const MsiPackage &package, const std::string &directory, std::string *error);

#endif
