#include "service/host_event_log.h"

#include <windows.h>

#include <string>

#include "common/format.h"
#include "common/records.h"

namespace {

// The host's codes of a worker it could not start or had to end.
const int32_t kWorkerNotStartedCode = 5000;

std::wstring number(int32_t value) { return formatString(L"%d", static_cast<int>(value)); }

bool isStopRequest(int32_t control) {
    return control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN ||
           control == SERVICE_CONTROL_PRESHUTDOWN;
}

}  // namespace

void HostEventLog::observe(const HostEvent &event) {
    switch (event.kind) {
    case HostEventKind::ServiceNamed: writer_.setSource(event.text); break;
    case HostEventKind::ControlReceived:
        if (!isStopRequest(event.value) || stopRequested_.exchange(true))
            break;
        writer_.write(EventSeverity::kInformation, event_id::kStopRequested);
        break;
    case HostEventKind::StopBudgetSpent:
        writer_.write(EventSeverity::kError, event_id::kForcedStop, number(event.value / 1000),
                      number(robustness::kWorkerEndedExitCode));
        break;
    case HostEventKind::WorkerStartFailed:
        writer_.write(EventSeverity::kError, event_id::kWorkerNotStarted, number(event.error),
                      number(kWorkerNotStartedCode));
        break;
    case HostEventKind::WorkerExited:
        if (!stopRequested_)
            writer_.write(event.value == 0 ? EventSeverity::kInformation : EventSeverity::kError,
                          event_id::kApplicationEnded, number(event.value));
        break;
    case HostEventKind::StoppedReported: writer_.write(EventSeverity::kInformation, event_id::kServiceStopped); break;
    default: break;
    }
}
