// What keeps the worker in bounds: a job that ends it with the host, and a
// stop that ends it once the stop budget is spent.
#ifndef PELLUX_SERVICE_WORKER_GUARD_H
#define PELLUX_SERVICE_WORKER_GUARD_H

#include <windows.h>

#include <cstdint>

#include "common/win32_handles.h"
#include "service/host_events.h"

// What the guard tells the host it guards for: the host owns the service's
// status and its observers.
class WorkerGuardEvents {
public:
    virtual ~WorkerGuardEvents() = default;
    // When the first stop request came, as a tick count.
    virtual uint32_t stopRequestTick() = 0;
    // A bounded stop is still under way with timeLeftMs of its budget.
    virtual void stopCheckpoint(uint32_t timeLeftMs) = 0;
    virtual void guardEvent(const HostEvent &event) = 0;
    // The stop budget is spent: the last moment to learn what the worker does.
    virtual void beforeForcedEnd() {}
};

// How the host waits for its worker: stopRequested is set by a stop request;
// without a stop budget (0) or that event the wait has no limit.
struct WorkerWait {
    HANDLE worker = nullptr;
    HANDLE stopRequested = nullptr;
    uint32_t stopBudgetMs = 0;
};

// A job that ends every process in it when its last handle closes; empty
// (and logged) when the system refuses one.
UniqueHandle createKillOnCloseJob();
// Puts the suspended worker into the job and lets it run. False (logged) when
// it cannot run; a worker the job refuses runs without it.
bool runWorkerInJob(HANDLE job, const PROCESS_INFORMATION &worker, WorkerGuardEvents &events);
// Waits for the worker to end. With a stop budget, the wait after a stop
// request reports a checkpoint about once a second and ends the worker when
// the budget is spent. True when the worker had to be ended.
bool waitForWorker(const WorkerWait &wait, WorkerGuardEvents &events);

#endif
