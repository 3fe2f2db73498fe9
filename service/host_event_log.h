// The service host's entries in the event log: a stop requested, the service
// stopped, the application ending on its own, a forced stop, a worker that
// could not be started. An observer of the host's events, added by the entry
// point when the block asks for entries.
#ifndef PELLUX_SERVICE_HOST_EVENT_LOG_H
#define PELLUX_SERVICE_HOST_EVENT_LOG_H

#include <atomic>

#include "diagnostics/event_log.h"
#include "service/host_events.h"

class HostEventLog : public HostObserver {
public:
    void observe(const HostEvent &event) override;

private:
    EventLogWriter writer_;
    // Set by the control handler's thread, read by serviceMain's.
    std::atomic<bool> stopRequested_{false};
};

#endif
