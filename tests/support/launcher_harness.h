// What the Windows tests need to run configured launchers as child processes:
// scratch directories, configured copies of the launcher, runs with their own
// environment and captured output, and the diagnostic log they wrote.
#ifndef PELLUX_TESTS_SUPPORT_LAUNCHER_HARNESS_H
#define PELLUX_TESTS_SUPPORT_LAUNCHER_HARNESS_H

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "standins/standin_files.h"
#include "writer/block_writer.h"

// A Unix path of the build as Wine sees it (drive Z: is the Unix root).
std::wstring windowsPathOf(const char *unixPath);
// The launcher executable this tree built.
std::wstring launcherStubPath();

std::string readFileBytes(const std::wstring &path);
// The log file as text (UTF-8 with byte-order mark), empty when missing.
std::wstring readUtf8File(const std::wstring &path);
bool fileExists(const std::wstring &path);
void removeTree(const std::wstring &path);

// A fresh directory under the system temporary directory, removed with all
// its content when the object goes.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory &) = delete;
    ScratchDirectory &operator=(const ScratchDirectory &) = delete;
    const std::wstring &path() const { return path_; }
    std::wstring file(const std::wstring &name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// The launcher stub with the block appended, written as directory\name.
std::wstring makeConfiguredLauncher(const std::wstring &directory, const std::wstring &name,
                                    const BlockContent &content);
// Records as the tests usually want them: the given ones plus the default messages.
BlockContent blockWith(std::initializer_list<std::pair<int32_t, std::string>> records);

// Environment changes for a child: no value removes the variable.
typedef std::vector<std::pair<std::wstring, std::optional<std::wstring>>> EnvironmentChanges;

struct RunResult {
    DWORD exitCode = 0;
    bool finished = false;
    std::string out;
    std::string err;
};

// A started child whose output goes to files in a scratch directory.
class ChildRun {
public:
    ChildRun(const std::wstring &program, const std::wstring &arguments, const EnvironmentChanges &environment);
    ~ChildRun();
    ChildRun(const ChildRun &) = delete;
    ChildRun &operator=(const ChildRun &) = delete;
    bool started() const { return process_ != nullptr; }
    // Waits at most timeoutMs; a child still running then is terminated.
    RunResult finish(DWORD timeoutMs);

private:
    HANDLE process_ = nullptr;
    ScratchDirectory outputs_;
};

RunResult runProgram(const std::wstring &program, const std::wstring &arguments,
                     const EnvironmentChanges &environment = {}, DWORD timeoutMs = 30000);

// The version cache remembers every probed java executable; a test's scratch
// runtimes must not stay there. Removes the records of executables below the
// directory (its full path, compared without regard to case).
void removeVersionCacheRecordsBelow(const std::wstring &directory);

// Environment that makes a launcher log into root with a temporary root of its own.
EnvironmentChanges loggingInto(const std::wstring &root);

#endif
