// Runs a program for a test: feeds its standard input, collects its standard
// output and error, and waits a limited time.
#ifndef PELLUX_STANDINS_RUN_PROCESS_H
#define PELLUX_STANDINS_RUN_PROCESS_H

#include <string>

struct ProcessRequest {
    std::wstring application;  // empty: the first word of the command line names it
    std::wstring commandLine;
    std::string standardInput;  // written, then the input is closed
    unsigned long timeoutMs = 20000;
};

struct ProcessResult {
    bool started = false;
    unsigned long startError = 0;  // GetLastError of CreateProcessW
    bool finished = false;         // false: still running at the time limit, then terminated
    unsigned long exitCode = 0;
    std::string standardOutput;
    std::string standardError;
};

ProcessResult runProcess(const ProcessRequest &request);

// The command line of this test program followed by the arguments, for
// re-running it in another role.
std::wstring selfCommandLine(const std::wstring &arguments);

#endif
