#include "service/host_events.h"

#include "diagnostics/log.h"

namespace {

class HostLog : public HostObserver {
public:
    void observe(const HostEvent &event) override {
        int value = static_cast<int>(event.value);
        int error = static_cast<int>(event.error);
        switch (event.kind) {
        case HostEventKind::ServiceMainStarted: logMessage("service main"); break;
        case HostEventKind::ServiceNamed: logMessage("service name is '%s'", event.text); break;
        case HostEventKind::ControlReceived: logMessage("control handler request %d", value); break;
        case HostEventKind::StatusReportFailed: logMessage("SetServiceStatus %d failed %d", value, error); break;
        case HostEventKind::StopBeforeWorker: logMessage("stop request before the worker started"); break;
        case HostEventKind::WorkerNotStartedForStop:
            logMessage("stop requested before the worker started: not starting it");
            break;
        case HostEventKind::WorkerCommandLineTooLong:
            logError("the worker command line does not fit %d characters", value);
            break;
        case HostEventKind::WorkerStartFailed: logMessage("could not start process %s (%d)", event.text, error); break;
        case HostEventKind::WorkerJoinedJob: logMessage("the worker ends with the host"); break;
        case HostEventKind::WorkerOutsideJob:
            logMessage("could not put the worker into its job (%d): it may outlive the host", error);
            break;
        case HostEventKind::WaitingForWorker: logMessage("registering ConsoleCtrlHandler"); break;
        case HostEventKind::StopLineSending: logMessage("sending shutdown1 %d", value); break;
        case HostEventKind::StopLineFailed:
            logMessage("sending shutdown failed");
            logMessage("error code %d", error);
            break;
        case HostEventKind::StopLineSent: logMessage("shutdown sent"); break;
        case HostEventKind::StopBudgetSpent:
            logMessage("the worker did not stop within %d s: ending it", value / 1000);
            break;
        case HostEventKind::WorkerTerminated: logMessage("TerminateProcess result %d (%d)", value, error); break;
        case HostEventKind::EndedWorkerLingers:
            logError("the ended worker is still there after %d ms", value);
            break;
        case HostEventKind::WorkerExited: logMessage("process terminated with exit code %d", value); break;
        case HostEventKind::StoppedReported: logMessage("service stopped set"); break;
        case HostEventKind::OutputDrainStarted: logMessage("consuming output"); break;
        case HostEventKind::OutputDrainEnded: logMessage("consuming output done"); break;
        case HostEventKind::HostExiting: logMessage("exiting"); break;
        case HostEventKind::StatusReported:
        case HostEventKind::WorkerStarted:
        case HostEventKind::StopCheckpoint: break;
        }
    }
};

}  // namespace

HostObserver &hostLogObserver() {
    static HostLog log;
    return log;
}
