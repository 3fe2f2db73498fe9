#include "diagnostics/event_log.h"

#include <windows.h>

#include "diagnostics/log.h"

namespace {

WORD eventType(EventSeverity severity) {
    switch (severity) {
    case EventSeverity::kWarning: return EVENTLOG_WARNING_TYPE;
    case EventSeverity::kError: return EVENTLOG_ERROR_TYPE;
    case EventSeverity::kInformation: break;
    }
    return EVENTLOG_INFORMATION_TYPE;
}

class Locked {
public:
    explicit Locked(SRWLOCK *lock) : lock_(lock) { AcquireSRWLockExclusive(lock_); }
    ~Locked() { ReleaseSRWLockExclusive(lock_); }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;

private:
    SRWLOCK *lock_;
};

}  // namespace

EventLogWriter::EventLogWriter(const wchar_t *source) : source_(source) {}

void EventLogWriter::setSource(const wchar_t *source) {
    Locked locked(&lock_);
    if (!opened_)
        source_ = source;
}

EventLogWriter::~EventLogWriter() {
    if (handle_)
        DeregisterEventSource(handle_);
}

void EventLogWriter::write(EventSeverity severity, uint32_t id, const std::wstring &second, const std::wstring &third) {
    Locked locked(&lock_);
    if (source_.empty())
        return;
    if (!limit_.allow(id, GetTickCount())) {
        logMessage("event %d not written: more than %d a minute", static_cast<int>(id),
                   static_cast<int>(EventRateLimit::kBurst));
        return;
    }
    if (!opened_) {
        opened_ = true;
        handle_ = RegisterEventSourceW(nullptr, source_.c_str());
        if (!handle_)
            logMessage("RegisterEventSource %s failed (%d)", source_.c_str(), static_cast<int>(GetLastError()));
    }
    if (!handle_)
        return;
    const wchar_t *strings[] = {source_.c_str(), second.c_str(), third.c_str()};
    if (!ReportEventW(handle_, eventType(severity), 0, id, nullptr, 3, 0, strings, nullptr))
        logMessage("ReportEvent %d failed (%d)", static_cast<int>(id), static_cast<int>(GetLastError()));
    else
        logMessage("event %d written", static_cast<int>(id));
}
