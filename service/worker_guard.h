// What keeps the worker in bounds: a job that ends it with the host, and a
// stop that ends it once the stop budget is spent.
#ifndef PELLUX_SERVICE_WORKER_GUARD_H
#define PELLUX_SERVICE_WORKER_GUARD_H

#include <windows.h>

#include "common/win32_handles.h"

// A job that ends every process in it when its last handle closes; empty
// (and logged) when the system refuses one.
UniqueHandle createKillOnCloseJob();
// Puts the suspended worker into the job and lets it run. False (logged) when
// it cannot run; a worker the job refuses runs without it.
bool runWorkerInJob(HANDLE job, const PROCESS_INFORMATION &worker);
// Waits for the worker to end. Without a stop budget the wait has no limit;
// with one, the wait after a stop request reports a growing checkpoint about
// once a second and ends the worker when the budget is spent. True when the
// worker had to be ended.
bool waitForWorker(HANDLE worker);

#endif
