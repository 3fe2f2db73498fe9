// Writing a ready service folder: the configured launcher, the Java runtime
// library and helper library below ".zanthor", the ".vmoptions" file, the
// preferred runtime location and the project's extra files.
#ifndef PELLUX_WRITER_SERVICE_FOLDER_H
#define PELLUX_WRITER_SERVICE_FOLDER_H

#include <string>
#include <vector>

#include "writer/service_project.h"

// What the folder is made from. The resources directory holds
//   i686/pellux.exe  i686/znoinst.dll  x86_64/pellux.exe  x86_64/znoinst.dll  znoruntime.jar
struct FolderSources {
    std::string resources;
    std::string stub;  // a launcher to use instead of the resources' one
    std::string arch;  // "i686" or "x86_64"; empty: the stub's, else x86_64
};

// The launcher, its architecture and the helper library that matches it.
// False with a reason when a file is missing or the two do not match.
bool readLauncherFiles(const FolderSources &sources, std::string *launcher, std::string *arch,
                       std::string *helperLibrary, std::string *error);

// The executable's file name: the project's, else record 101 with ".exe".
bool executableNameOf(const PackageProject &project, std::string *name, std::string *error);

struct FolderReport {
    std::string arch;                // of the launcher written
    std::vector<std::string> files;  // "/"-separated, in the order written
};

// Writes the folder at path, or nothing at all on failure. An existing folder
// must be empty, or a service folder (it holds ".zanthor") with replace set.
bool writeServiceFolder(const PackageProject &project, const FolderSources &sources, const std::string &path,
                        bool replace, FolderReport *report, std::string *error);

#endif
