// What the service host reports as it runs its worker. The host and its
// worker guard tell their observers at the point where they act; the
// diagnostic log is one observer, the service tests are another. No Win32
// here.
#ifndef PELLUX_SERVICE_HOST_EVENTS_H
#define PELLUX_SERVICE_HOST_EVENTS_H

#include <cstdint>

// A new kind needs a name here and, when the log shows it, a line in
// host_events.cpp; observers ignore kinds they do not know.
enum class HostEventKind {
    ServiceMainStarted,
    ServiceNamed,              // text: the name
    ControlReceived,           // value: the control code
    StatusReported,            // value: the state reported
    StatusReportFailed,        // value: which report (as the log numbers them), error
    StopBeforeWorker,          // a stop request came before there was a worker
    WorkerNotStartedForStop,   // serviceMain found the stop request and starts no worker
    WorkerCommandLineTooLong,  // value: the capacity
    WorkerStartFailed,         // text: the command line, error
    WorkerStarted,
    WorkerJoinedJob,           // the worker ends with the host
    WorkerOutsideJob,          // error: why the job refused it
    WaitingForWorker,          // the console control handler is registered, the wait begins
    StopLineSending,           // value: the flag written
    StopLineFailed,            // error
    StopLineSent,
    StopCheckpoint,            // value: milliseconds left of the stop budget
    StopBudgetSpent,           // value: the budget in milliseconds
    WorkerTerminated,          // value: 1 when TerminateProcess succeeded, error
    EndedWorkerLingers,        // value: milliseconds waited for it
    WorkerExited,              // value: its exit code
    StoppedReported,           // the service's last report, stopped, went out
    OutputDrainStarted,
    OutputDrainEnded,
    HostExiting,
};

struct HostEvent {
    HostEventKind kind;
    int32_t value = 0;
    int32_t error = 0;               // a system error code
    const wchar_t *text = nullptr;   // valid during the call only
};

inline HostEvent hostEvent(HostEventKind kind, int32_t value = 0, int32_t error = 0) {
    HostEvent event;
    event.kind = kind;
    event.value = value;
    event.error = error;
    return event;
}

// Called from the host's threads (serviceMain, control handler, output
// drain), one event at a time per thread: an observer that keeps state
// guards it itself, and never calls back into the host.
class HostObserver {
public:
    virtual ~HostObserver() = default;
    virtual void observe(const HostEvent &event) = 0;
};

// Writes the diagnostic log's lines of the host.
HostObserver &hostLogObserver();

#endif
