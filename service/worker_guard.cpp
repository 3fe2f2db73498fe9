#include "service/worker_guard.h"

#include "common/records.h"
#include "diagnostics/log.h"
#include "service/robustness_rules.h"

namespace {

// How long an ended worker may take to be gone before the host reports.
const DWORD kEndedWorkerWaitMs = 5000;

void endWorker(HANDLE worker, uint32_t budgetMs, WorkerGuardEvents &events) {
    events.guardEvent(hostEvent(HostEventKind::StopBudgetSpent, static_cast<int32_t>(budgetMs)));
    SetLastError(0);
    BOOL ended = TerminateProcess(worker, robustness::kWorkerEndedExitCode);
    events.guardEvent(hostEvent(HostEventKind::WorkerTerminated, ended ? 1 : 0,
                                static_cast<int32_t>(ended ? 0 : GetLastError())));
    if (WaitForSingleObject(worker, kEndedWorkerWaitMs) != WAIT_OBJECT_0)
        events.guardEvent(hostEvent(HostEventKind::EndedWorkerLingers, static_cast<int32_t>(kEndedWorkerWaitMs)));
}

bool waitWithinBudget(const WorkerWait &wait, WorkerGuardEvents &events) {
    StopBudget budget;
    budget.budgetMs = wait.stopBudgetMs;
    budget.startTick = events.stopRequestTick();
    for (;;) {
        if (WaitForSingleObject(wait.worker, nextCheckpointWait(stopTimeLeft(budget, GetTickCount()))) ==
            WAIT_OBJECT_0)
            return false;
        uint32_t left = stopTimeLeft(budget, GetTickCount());
        if (left == 0) {
            events.beforeForcedEnd();
            endWorker(wait.worker, budget.budgetMs, events);
            return true;
        }
        events.stopCheckpoint(left);
    }
}

}  // namespace

UniqueHandle createKillOnCloseJob() {
    UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
    if (!job) {
        logMessage("could not create the worker's job (%d)", static_cast<int>(GetLastError()));
        return job;
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        logMessage("could not make the worker's job end it with the host (%d)", static_cast<int>(GetLastError()));
        job.reset();
    }
    return job;
}

bool runWorkerInJob(HANDLE job, const PROCESS_INFORMATION &worker, WorkerGuardEvents &events) {
    if (AssignProcessToJobObject(job, worker.hProcess))
        events.guardEvent(hostEvent(HostEventKind::WorkerJoinedJob));
    else
        events.guardEvent(hostEvent(HostEventKind::WorkerOutsideJob, 0, static_cast<int32_t>(GetLastError())));
    if (ResumeThread(worker.hThread) != static_cast<DWORD>(-1))
        return true;
    logError("could not resume the worker (%d)", static_cast<int>(GetLastError()));
    TerminateProcess(worker.hProcess, robustness::kWorkerEndedExitCode);
    return false;
}

bool waitForWorker(const WorkerWait &wait, WorkerGuardEvents &events) {
    if (wait.stopBudgetMs == 0 || !wait.stopRequested) {
        WaitForSingleObject(wait.worker, INFINITE);
        return false;
    }
    HANDLE handles[2] = {wait.worker, wait.stopRequested};
    DWORD woken = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0 + 1)
        return waitWithinBudget(wait, events);
    if (woken != WAIT_OBJECT_0)
        WaitForSingleObject(wait.worker, INFINITE);
    return false;
}
