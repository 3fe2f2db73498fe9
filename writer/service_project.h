// The friendly sections of a project file: named keys for what a service
// needs ([service], [java], [runtime], [output], [instance], [[file]]), each
// turned into its config record, with the launcher's usual values where a
// key is left out.
#ifndef PELLUX_WRITER_SERVICE_PROJECT_H
#define PELLUX_WRITER_SERVICE_PROJECT_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>
#include "writer/toml.h"

#include "writer/block_writer.h"
#include "writer/msi_project.h"

// A file or directory the service folder carries besides the launcher.
struct FolderFile {
    std::string source;  // path on this machine
    std::string name;    // path inside the folder, "/"-separated
};

// What the service folder holds beyond the configured launcher.
struct FolderPlan {
    std::string executableName;  // empty when the project does not name one
    bool hasVmOptionsFile = false;
    std::vector<std::string> vmOptionLines;  // Latin-1, one option each
    std::string preferredRuntime;            // Latin-1; empty: no pref_jre.cfg
    std::string preferredRuntimeGiven;       // as the user wrote it, to read it here
    std::string arch;                        // service.arch; empty when not given
    std::vector<FolderFile> files;
};

struct PackageProject {
    BlockContent content;
    FolderPlan folder;
    MsiKeys msi;
};

// Where the raw tables put something the friendly keys may also set.
struct RawOrigins {
    std::map<int32_t, const toml::node *> records;
    const toml::node *description = nullptr;  // [messages] 20017
};

bool isServiceSection(const std::string &key);

// Applies the friendly sections of root on top of the raw records already in
// project->content: defaults give way to raw records, explicit keys clash
// with them. Throws ProjectError.
void applyServiceSections(const std::string &projectName, const toml::table &root, const RawOrigins &raw,
                          PackageProject *project);

// The name a source keeps in the folder when none is given: its last component.
std::string defaultFolderName(const std::string &source);

// The folder path a [[file]] name or --file target stands for: "/"-separated,
// backslashes taken as separators. False with a reason for names that leave
// the folder or that Windows refuses.
bool normalizeFolderName(const std::string &name, std::string *normalized, std::string *error);

#endif
