// Child processes whose output the launcher reads: "-version" runs of a Java
// runtime and the command interpreter's short-path answer. One place creates
// the pipe, starts the child and owns what it hands back.
#ifndef PELLUX_PROCESS_CHILD_PROCESS_H
#define PELLUX_PROCESS_CHILD_PROCESS_H

#include <windows.h>

#include <string>

#include "common/win32_handles.h"

struct ChildOptions {
    // Standard output goes to the pipe as well; otherwise only standard error.
    bool captureOutput = false;
    // Started with SW_HIDE in its start-up information.
    bool hideWindow = false;
    DWORD creationFlags = 0;
};

class CapturedChild {
public:
    // Creates the pipe (logged on failure) and starts the child; false when
    // either fails, with startError() telling the start's system error.
    bool start(std::string commandLine, const ChildOptions &options);
    bool start(std::wstring commandLine, const ChildOptions &options);
    DWORD startError() const { return startError_; }

    // Reads until the pipe ends, or the child has ended and left nothing more
    // in it (a process that inherited the pipe may hold it open for good), or
    // the time limit has passed. At most keep bytes are kept; with drain,
    // reading goes on past them so the child never blocks on a full pipe.
    // Reading also ends after kMostBytesRead bytes; cutOff() then tells that
    // the child was still writing.
    std::string readOutput(size_t keep, bool drain, DWORD limitMs);
    bool cutOff() const { return cutOff_; }
    static const size_t kMostBytesRead = 1 << 20;
    // Milliseconds since start, for sharing one time limit between reading
    // and waiting.
    DWORD elapsedMs() const { return GetTickCount() - startTick_; }
    // The exit code once the child has ended within the wait, else STILL_ACTIVE.
    DWORD waitForExit(DWORD milliseconds);
    void terminate() { TerminateProcess(process_.get(), 1); }

private:
    bool createPipe();
    template <typename Char, typename StartupInfo>
    bool launch(std::basic_string<Char> &commandLine, const ChildOptions &options);

    UniqueHandle readEnd_, writeEnd_, process_, thread_;
    DWORD startError_ = 0;
    DWORD startTick_ = 0;
    bool cutOff_ = false;
};

#endif
