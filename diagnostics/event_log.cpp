#include "diagnostics/event_log.h"

#include <windows.h>

#include "diagnostics/log.h"

namespace {

typedef HANDLE(WINAPI *RegisterSourceCall)(LPCWSTR, LPCWSTR);
typedef BOOL(WINAPI *ReportEventCall)(HANDLE, WORD, WORD, DWORD, PSID, WORD, DWORD, LPCWSTR *, LPVOID);
typedef BOOL(WINAPI *DeregisterSourceCall)(HANDLE);

template <typename Function>
Function advapiFunction(const char *name) {
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    return advapi ? reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(advapi, name))) : nullptr;
}

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
    DeregisterSourceCall deregister = advapiFunction<DeregisterSourceCall>("DeregisterEventSource");
    if (handle_ && deregister)
        deregister(handle_);
}

void EventLogWriter::write(EventSeverity severity, uint32_t id, const std::wstring &second, const std::wstring &third) {
    Locked locked(&lock_);
    if (source_.empty())
        return;
    if (!limit_.allow(id, GetTickCount())) {
        logMessage(L"event %d not written: more than %d a minute", static_cast<int>(id),
                   static_cast<int>(EventRateLimit::kBurst));
        return;
    }
    if (!opened_) {
        opened_ = true;
        RegisterSourceCall registerSource = advapiFunction<RegisterSourceCall>("RegisterEventSourceW");
        handle_ = registerSource ? registerSource(nullptr, source_.c_str()) : nullptr;
        if (!handle_)
            logMessage(L"RegisterEventSource %s failed (%d)", source_.c_str(), static_cast<int>(GetLastError()));
    }
    ReportEventCall report = advapiFunction<ReportEventCall>("ReportEventW");
    if (!handle_ || !report)
        return;
    const wchar_t *strings[] = {source_.c_str(), second.c_str(), third.c_str()};
    if (!report(handle_, eventType(severity), 0, id, nullptr, 3, 0, strings, nullptr))
        logMessage(L"ReportEvent %d failed (%d)", static_cast<int>(id), static_cast<int>(GetLastError()));
    else
        logMessage(L"event %d written", static_cast<int>(id));
}
