#include "service/worker_guard.h"

#include "common/records.h"
#include "diagnostics/log.h"
#include "service/robustness_rules.h"
#include "service/service_host.h"

namespace {

// How long an ended worker may take to be gone before the host reports.
const DWORD kEndedWorkerWaitMs = 5000;

void reportCheckpoint(uint32_t timeLeft) {
    ServiceHostState &host = serviceHostState();
    AcquireSRWLockExclusive(&host.lock);
    host.status.dwCheckPoint++;
    host.status.dwWaitHint = stopWaitHint(timeLeft);
    if (!reportStatus())
        logMessage(L"SetServiceStatus 4 failed %d", static_cast<int>(GetLastError()));
    ReleaseSRWLockExclusive(&host.lock);
}

void endWorker(HANDLE worker, uint32_t budgetMs) {
    logMessage(L"the worker did not stop within %d s: ending it", static_cast<int>(budgetMs / 1000));
    SetLastError(0);
    BOOL ended = TerminateProcess(worker, robustness::kWorkerEndedExitCode);
    logMessage(L"TerminateProcess result %d (%d)", ended ? 1 : 0, static_cast<int>(ended ? 0 : GetLastError()));
    if (WaitForSingleObject(worker, kEndedWorkerWaitMs) != WAIT_OBJECT_0)
        logError(L"the ended worker is still there after %d ms", static_cast<int>(kEndedWorkerWaitMs));
}

bool waitWithinBudget(HANDLE worker) {
    ServiceHostState &host = serviceHostState();
    AcquireSRWLockShared(&host.lock);
    StopBudget budget;
    budget.budgetMs = host.settings.stopBudgetMs;
    budget.startTick = host.stopTick;
    ReleaseSRWLockShared(&host.lock);
    for (;;) {
        if (WaitForSingleObject(worker, nextCheckpointWait(stopTimeLeft(budget, GetTickCount()))) == WAIT_OBJECT_0)
            return false;
        uint32_t left = stopTimeLeft(budget, GetTickCount());
        if (left == 0) {
            endWorker(worker, budget.budgetMs);
            return true;
        }
        reportCheckpoint(left);
    }
}

}  // namespace

UniqueHandle createKillOnCloseJob() {
    UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
    if (!job) {
        logMessage(L"could not create the worker's job (%d)", static_cast<int>(GetLastError()));
        return job;
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        logMessage(L"could not make the worker's job end it with the host (%d)", static_cast<int>(GetLastError()));
        job.reset();
    }
    return job;
}

bool runWorkerInJob(HANDLE job, const PROCESS_INFORMATION &worker) {
    if (AssignProcessToJobObject(job, worker.hProcess))
        logMessage(L"the worker ends with the host");
    else
        logMessage(L"could not put the worker into its job (%d): it may outlive the host",
                   static_cast<int>(GetLastError()));
    if (ResumeThread(worker.hThread) != static_cast<DWORD>(-1))
        return true;
    logError(L"could not resume the worker (%d)", static_cast<int>(GetLastError()));
    TerminateProcess(worker.hProcess, robustness::kWorkerEndedExitCode);
    return false;
}

bool waitForWorker(HANDLE worker) {
    ServiceHostState &host = serviceHostState();
    if (host.settings.stopBudgetMs == 0 || !host.stopEvent) {
        WaitForSingleObject(worker, INFINITE);
        return false;
    }
    HANDLE events[2] = {worker, host.stopEvent.get()};
    DWORD woken = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0 + 1)
        return waitWithinBudget(worker);
    if (woken != WAIT_OBJECT_0)
        WaitForSingleObject(worker, INFINITE);
    return false;
}
