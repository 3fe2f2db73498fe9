// The service test program re-runs itself as a service: registered with
// "--host <directory> [flags]" it is a service host running the launcher's own
// serviceMain, and the worker that host starts is this program again (its
// last argument is the worker marker). Both report into the directory.
#ifndef PELLUX_TESTS_SERVICE_SERVICE_ROLES_H
#define PELLUX_TESTS_SERVICE_SERVICE_ROLES_H

#include <cstdint>
#include <string>
#include <vector>

#include "common/string_list.h"
#include "service/host_events.h"

const wchar_t kHostRole[] = L"--host";
// Host flag: a stop request reaches the control handler before serviceMain runs.
const wchar_t kEarlyStopFlag[] = L"--early-stop";
// Host flag "--deliver=C,C...": once the worker runs, the control codes go
// straight to the control handler, as the Service Control Manager would send
// them (it refuses a shutdown and a second stop from a program).
const wchar_t kDeliverFlag[] = L"--deliver=";
// Host flag: the executable is renamed before serviceMain runs, so that the
// worker cannot be started.
const wchar_t kWorkerMissingFlag[] = L"--worker-missing";
// Worker flag "--worker-exit=N": exit with N at once instead of waiting for
// the end of standard input.
const wchar_t kWorkerExitFlag[] = L"--worker-exit=";
// Worker flag: after its input has ended the worker stays a while, so that a
// second stop request finds it still running.
const wchar_t kWorkerLingerFlag[] = L"--worker-linger";
// Host flag "--records=ID:VALUE,...": config records of the host, as a
// block would carry them (values without commas).
const wchar_t kRecordsFlag[] = L"--records=";
// Worker flag: the worker never reads its input and stays a minute, like an
// application that ignores the stop line.
const wchar_t kWorkerIgnoreInputFlag[] = L"--worker-ignore-input";

// Files the roles write into the directory.
const wchar_t kWorkerCommandLineFile[] = L"worker-command-line.txt";  // as the worker received it
const wchar_t kWorkerStartedFile[] = L"worker-started.txt";  // written once its output was drained
const wchar_t kWorkerInputFile[] = L"worker-input.txt";      // all it read from standard input
const wchar_t kWorkerPidFile[] = L"worker-pid.txt";          // its process id, in decimal
const wchar_t kHostLogFile[] = L"zno_nlog_1.log";            // the host's diagnostic log
const wchar_t kHostEventsFile[] = L"host-events.txt";        // the host's events, one a line

const int kLostWorkerExitCode = 99;

// One event as the host role recorded it.
struct RecordedEvent {
    HostEventKind kind;
    int32_t value;
    int32_t error;
    std::wstring text;
};
std::vector<RecordedEvent> readHostEvents(const std::wstring &file);

// Runs the role the command line names; false when it names none.
bool runServiceRole(const StringList &tokens, int &exitCode);

#endif
