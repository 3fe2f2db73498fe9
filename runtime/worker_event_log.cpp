#include "runtime/worker_event_log.h"

#include "common/text.h"
#include "diagnostics/fatal.h"

namespace {

// Enough for a dozen candidates; the diagnostic log has them all.
const size_t kVerdictsCapacity = 2000;

SearchObserver &logObserver() {
    static RuntimeSearchWatch withoutObserver;
    return searchObserver(withoutObserver);
}

}  // namespace

WorkerEventLog::WorkerEventLog(bool enabled, const wchar_t *serviceName) : enabled_(enabled), writer_(serviceName) {
    if (!enabled_)
        return;
    failureDisplay().textShown = launchFailed;
    failureDisplay().textShownSubject = this;
}

WorkerEventLog::~WorkerEventLog() {
    if (enabled_ && failureDisplay().textShownSubject == this) {
        failureDisplay().textShown = nullptr;
        failureDisplay().textShownSubject = nullptr;
    }
}

void WorkerEventLog::started(const RuntimeSearchResult &result) {
    if (enabled_)
        writer_.write(EventSeverity::kInformation, event_id::kServiceStarted, widenBytes(result.version),
                      widenBytes(result.javaExecutable));
}

void WorkerEventLog::searchStep(const char *description) { logObserver().searchStep(description); }

void WorkerEventLog::candidateVersion(const char *javaExe, const char *version, uint32_t machine,
                                      VersionSource source) {
    logObserver().candidateVersion(javaExe, version, machine, source);
}

void WorkerEventLog::candidateVerdict(const char *javaExe, CandidateVerdict verdict) {
    logObserver().candidateVerdict(javaExe, verdict);
    std::wstring line = widenBytes(javaExe) + L": " + widenBytes(verdictText(verdict));
    if (verdicts_.size() + line.size() + 2 < kVerdictsCapacity)
        verdicts_ += (verdicts_.empty() ? L"" : L"; ") + line;
}

void WorkerEventLog::launchFailed(void *subject, const wchar_t *text) {
    WorkerEventLog &log = *static_cast<WorkerEventLog *>(subject);
    log.writer_.write(EventSeverity::kError, event_id::kLaunchFailed, text,
                      log.verdicts_.empty() ? L"no Java was found in any location searched" : log.verdicts_);
}
