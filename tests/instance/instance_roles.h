// The roles in which the instance test program re-runs itself (test_main.cpp):
// its own copies act as launchers that extract files or guard their instance.
#ifndef PELLUX_TESTS_INSTANCE_INSTANCE_ROLES_H
#define PELLUX_TESTS_INSTANCE_INSTANCE_ROLES_H

// --extract REPORT: reads the block appended to this copy, extracts its files
// as the run sequence does (failure: message 1009 with "16") and writes
// "tempdir=" and "offset=" lines to REPORT.
const wchar_t ROLE_EXTRACT[] = L"--extract";

// --instance REPORT [ID=VALUE]... [--desktop NAME] [--window] [--temp-dir DIR]
// [--service-worker] [--hold NAME]: sets the records, runs checkSingleInstance and writes "pid=",
// "semaphore=" and "window=" lines to REPORT. --desktop moves the copy to that
// desktop (it must come first), --window then shows a minimised window,
// --temp-dir poses DIR as the launcher temporary directory, --service-worker
// makes the copy the worker of a service, --hold signals
// the event NAME-ready and waits for NAME-release (at most 30 s).
const wchar_t ROLE_INSTANCE[] = L"--instance";

// A copy that comes back from checkSingleInstance ends with this code, so
// that the hand-over's exit code 0 stands apart.
const int kRoleReturnedExitCode = 3;

#endif
