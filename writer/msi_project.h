// The [msi] table of a project file and the package it describes for a
// service folder: version, manufacturer, upgrade code and install folder,
// each refused with its key's name when the Installer could not hold it.
#ifndef PELLUX_WRITER_MSI_PROJECT_H
#define PELLUX_WRITER_MSI_PROJECT_H

#include <string>
#include <vector>

#include "writer/block_writer.h"
#include "writer/toml.h"
#include "writer/wix_source.h"

struct MsiKey {
    std::string value;
    int line = 0;  // 0: not given
};

struct MsiKeys {
    MsiKey version, manufacturer, upgradeCode, installDir;
};

// Throws ProjectError for an unknown key or a value that is no text.
void readMsiTable(const toml::table &table, MsiKeys *keys);

// "1.2.3" with the Installer's bounds (255.255.65535); else the reason.
bool checkMsiVersion(const std::string &version, std::string *problem);

// "[FolderProperty]name\name": a standard folder and the folders below it.
bool parseInstallDir(const std::string &text, bool win64, std::string *base, std::vector<std::string> *path,
                     std::string *problem);

// A name the package carries into the Installer's tables and commands.
bool isInstallerName(const std::string &name);

// The folder whose files are listed (executable first, "/"-separated) as a
// package. On failure error holds "PROJECT[:LINE]: msi.KEY: reason".
bool planMsiPackage(const std::string &projectName, const MsiKeys &keys, const BlockContent &content,
                    const std::string &arch, const std::vector<std::string> &files, MsiPackage *package,
                    std::string *error);

#endif
