// The worker's entries in the event log: the start, with the Java it runs
// on, and a launch failure, with the message a console start would print and
// the runtime search's verdicts in short. Off unless the service asks for it.
#ifndef PELLUX_RUNTIME_WORKER_EVENT_LOG_H
#define PELLUX_RUNTIME_WORKER_EVENT_LOG_H

#include <string>

#include "diagnostics/event_log.h"
#include "jre/search_jvm.h"
#include "jre/search_observer.h"

// While it lives, every text the launcher shows goes to the event log as a
// launch failure; it hears the runtime search beside the diagnostic log.
class WorkerEventLog : public SearchObserver {
public:
    // enabled false: does nothing at all.
    WorkerEventLog(bool enabled, const wchar_t *serviceName);
    ~WorkerEventLog() override;
    WorkerEventLog(const WorkerEventLog &) = delete;
    WorkerEventLog &operator=(const WorkerEventLog &) = delete;

    // The watch's observer: this one when enabled, else the log's.
    SearchObserver *observer() { return enabled_ ? this : nullptr; }
    void started(const RuntimeSearchResult &result);

    void searchStep(const char *description) override;
    void candidateVersion(const char *javaExe, const char *version, uint32_t machine, VersionSource source) override;
    void candidateVerdict(const char *javaExe, CandidateVerdict verdict) override;

private:
    static void launchFailed(void *subject, const wchar_t *text);

    bool enabled_;
    EventLogWriter writer_;
    std::wstring verdicts_;
};

#endif
