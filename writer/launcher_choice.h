// Which launcher build a service gets. A 32-bit launcher cannot load a 64-bit
// jvm.dll nor the other way round, so the build must match the Java runtime
// the service will run on: the one the folder carries or names where the tool
// can read it, else x86_64, since Java on Windows is 64-bit today.
#ifndef PELLUX_WRITER_LAUNCHER_CHOICE_H
#define PELLUX_WRITER_LAUNCHER_CHOICE_H

#include <string>

#include "writer/service_project.h"

struct ArchRequest {
    std::string arch = "auto";  // "auto", "i686" or "x86_64"
    std::string origin;         // who asked, for messages: "--arch i686"; empty for auto
};

struct LauncherChoice {
    std::string arch;    // "i686" or "x86_64"
    std::string reason;  // why, for the user
};

// Reads the machine of the runtimes the service would try first: the
// preferred runtime, then each { bundled = "dir" } entry of the search
// sequence (record 128) whose directory is among the plan's files. An asked-
// for build must match every one of them; auto takes the first one's. False,
// with an error naming the file, for a runtime that is no x86 or x64 Windows
// runtime, or a contradiction (naming both sides).
bool chooseLauncher(const FolderPlan &plan, const BlockContent &content, const ArchRequest &request,
                    LauncherChoice *choice, std::string *error);

#endif
