// What pellux-pack needs of the machine it runs on, Linux or Windows: its own
// location, fresh names beside a target, and replacing a file in one step.
#ifndef PELLUX_WRITER_HOST_FILES_H
#define PELLUX_WRITER_HOST_FILES_H

#include <string>
#include <vector>

// The folder of the running pellux-pack; empty when the system does not say.
std::string ownExecutableFolder();

// Written next to the target under a fresh name and renamed, so a failure
// leaves no output file and nobody can plant a link where it is written.
bool writeFileAtomically(const std::string &path, const std::string &bytes);

// A fresh directory named after pattern (which ends in "XXXXXX"), with the
// permissions a new directory gets; the name made replaces pattern.
bool makeFreshDirectory(std::string *pattern);

// Paths of the machine pellux-pack runs on. On Windows: absolute with a
// drive and a separator, or a network share; "C:app" (relative to a drive's
// current folder) is refused with the reason, as it means something else in
// every console. Linux takes every path.
bool isAbsoluteHostPath(const std::string &path);
std::string hostPathProblem(const std::string &path);
// The separators of the host's paths.
extern const char kHostSeparators[];

// The path of a program found on PATH; empty when there is none (always on
// Windows, where pellux-pack runs no packaging tools).
std::string programOnPath(const std::string &program);

// Runs a program found on PATH with arguments in a working directory, waits
// for it and returns its exit code (-1 when it could not run) with its output
// and errors together.
int runProgram(const std::vector<std::string> &arguments, const std::string &directory, std::string *output);

#endif
