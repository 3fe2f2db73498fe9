// The WiX source of a service folder's Windows Installer package: the files
// as they are in the folder, the service registered and removed by the
// folder's own executable (so exactly as its /install does), logs and
// administrator-edited files kept as an administrator expects. No TOML and no
// file access here.
#ifndef PELLUX_WRITER_WIX_SOURCE_H
#define PELLUX_WRITER_WIX_SOURCE_H

#include <string>
#include <vector>

struct MsiPackage {
    std::string serviceName;               // printable ASCII
    std::string manufacturer;              // UTF-8
    std::string version;                   // "1.2.3"
    std::string upgradeCode;               // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
    std::string installBase;               // a standard folder property: "ProgramFiles64Folder"
    std::vector<std::string> installPath;  // folder names below it; the last is INSTALLDIR
    bool win64 = true;
    bool autoStart = false;
    std::string executable;                // folder-relative, "/"-separated
    std::vector<std::string> files;        // every file of the folder, executable included
    std::vector<std::string> keptFiles;    // edited by administrators: installed once, kept on upgrade
};

// The 20-byte SHA-1 digest of bytes.
std::string sha1Digest(const std::string &bytes);

// A name-based GUID (version 5) in a namespace GUID, as "{UPPER-CASE}".
std::string nameBasedGuid(const std::string &namespaceGuid, const std::string &name);

// "{...}" in upper case from a GUID with or without braces; false for
// anything else.
bool normalizeGuid(const std::string &text, std::string *guid);

// The same for every build of one service (service names ignore case), so
// that each package of it upgrades the last.
std::string defaultUpgradeCode(const std::string &serviceName);

// The product code of one version of one package.
std::string productCodeOf(const MsiPackage &package);

// The folder of a kept file's first copy, below the install folder.
extern const char kKeptDefaultsFolder[];

std::string xmlEscaped(const std::string &text);

// The WiX source; the files are read from $(var.ServiceFolder).
std::string wixSource(const MsiPackage &package);

// SQL corrections for the built package where wixl writes a table row
// differently from WiX (rollback custom actions), for msibuild -q.
std::vector<std::string> packageCorrections(const MsiPackage &package);

#endif
