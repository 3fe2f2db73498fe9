#include "service/host_events.h"

#include "diagnostics/log.h"

namespace {

class HostLog : public HostObserver {
public:
    void observe(const HostEvent &event) override {
        int value = static_cast<int>(event.value);
        int error = static_cast<int>(event.error);
        switch (event.kind) {
        case HostEventKind::ServiceMainStarted: logMessage(L"service main"); break;
        case HostEventKind::ServiceNamed: logMessage(L"service name is '%s'", event.text); break;
        case HostEventKind::ControlReceived: logMessage(L"control handler request %d", value); break;
        case HostEventKind::StatusReportFailed: logMessage(L"SetServiceStatus %d failed %d", value, error); break;
        case HostEventKind::StopBeforeWorker: logMessage(L"stop request before the worker started"); break;
        case HostEventKind::WorkerNotStartedForStop:
            logMessage(L"stop requested before the worker started: not starting it");
            break;
        case HostEventKind::WorkerCommandLineTooLong:
            logError(L"the worker command line does not fit %d characters", value);
            break;
        case HostEventKind::WorkerStartFailed: logMessage(L"could not start process %s (%d)", event.text, error); break;
        case HostEventKind::WorkerJoinedJob: logMessage(L"the worker ends with the host"); break;
        case HostEventKind::WorkerOutsideJob:
            logMessage(L"could not put the worker into its job (%d): it may outlive the host", error);
            break;
        case HostEventKind::WaitingForWorker: logMessage(L"registering ConsoleCtrlHandler"); break;
        case HostEventKind::StopLineSending: logMessage(L"sending shutdown1 %d", value); break;
        case HostEventKind::StopLineFailed:
            logMessage(L"sending shutdown failed");
            logMessage(L"error code %d", error);
            break;
        case HostEventKind::StopLineSent: logMessage(L"shutdown sent"); break;
        case HostEventKind::StopBudgetSpent:
            logMessage(L"the worker did not stop within %d s: ending it", value / 1000);
            break;
        case HostEventKind::WorkerTerminated: logMessage(L"TerminateProcess result %d (%d)", value, error); break;
        case HostEventKind::EndedWorkerLingers:
            logError(L"the ended worker is still there after %d ms", value);
            break;
        case HostEventKind::WorkerExited: logMessage(L"process terminated with exit code %d", value); break;
        case HostEventKind::StoppedReported: logMessage(L"service stopped set"); break;
        case HostEventKind::OutputDrainStarted: logMessage(L"consuming output"); break;
        case HostEventKind::OutputDrainEnded: logMessage(L"consuming output done"); break;
        case HostEventKind::HostExiting: logMessage(L"exiting"); break;
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
