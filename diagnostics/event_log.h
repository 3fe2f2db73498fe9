// Entries in the Application event log under the service's own source,
// whose texts come from the launcher's message table. Advapi32's event
// functions are looked up on the first entry, so that a start without one
// pays nothing. Where the log keeps no entries (Wine), writing is harmless.
#ifndef PELLUX_DIAGNOSTICS_EVENT_LOG_H
#define PELLUX_DIAGNOSTICS_EVENT_LOG_H

#include <windows.h>

#include <cstdint>
#include <string>

#include "diagnostics/event_rules.h"

enum class EventSeverity { kInformation, kWarning, kError };

// One per process part that writes (the service host, a worker); safe to
// call from several threads.
class EventLogWriter {
public:
    // source: the service name, as /install registers it; empty until
    // setSource, and nothing is written while it is.
    explicit EventLogWriter(const wchar_t *source = L"");
    void setSource(const wchar_t *source);
    ~EventLogWriter();
    EventLogWriter(const EventLogWriter &) = delete;
    EventLogWriter &operator=(const EventLogWriter &) = delete;

    // Writes the entry unless the rate limit holds it back; the strings fill
    // %2 onward, the source name is always %1.
    void write(EventSeverity severity, uint32_t id, const std::wstring &second = std::wstring(),
               const std::wstring &third = std::wstring());

private:
    std::wstring source_;
    HANDLE handle_ = nullptr;
    bool opened_ = false;
    EventRateLimit limit_;
    SRWLOCK lock_ = SRWLOCK_INIT;
};

#endif
