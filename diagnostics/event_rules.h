// The entries the service writes to the Application event log: their ids,
// which the message table resource (event_messages.mc) holds the texts of,
// and how often one may be written. No Win32 here.
#ifndef PELLUX_DIAGNOSTICS_EVENT_RULES_H
#define PELLUX_DIAGNOSTICS_EVENT_RULES_H

#include <cstddef>
#include <cstdint>

// Stable: monitoring filters on them (docs/exit-codes.md lists them).
namespace event_id {
constexpr uint32_t kServiceStarted = 101;      // %1 service, %2 Java version, %3 java executable
constexpr uint32_t kStopRequested = 102;       // %1 service
constexpr uint32_t kServiceStopped = 103;      // %1 service
constexpr uint32_t kApplicationEnded = 104;    // %1 service, %2 exit code
constexpr uint32_t kLaunchFailed = 105;        // %1 service, %2 message, %3 runtime search verdicts
constexpr uint32_t kForcedStop = 106;          // %1 service, %2 seconds, %3 service-specific code
constexpr uint32_t kWorkerNotStarted = 107;    // %1 service, %2 system error, %3 service-specific code
constexpr uint32_t kAll[] = {kServiceStarted, kStopRequested, kServiceStopped, kApplicationEnded,
                             kLaunchFailed,   kForcedStop,    kWorkerNotStarted};
}  // namespace event_id

// At most kBurst entries of one id in any kWindowMs, so that a failing loop
// cannot flood the log; ids outside event_id::kAll are never limited.
class EventRateLimit {
public:
    static const uint32_t kBurst = 3;
    static const uint32_t kWindowMs = 60000;
    // True when an entry of the id may be written at the tick count now (which
    // wraps at 32 bits); a written entry counts.
    bool allow(uint32_t id, uint32_t now);

private:
    static const size_t kIds = sizeof event_id::kAll / sizeof event_id::kAll[0];
    uint32_t written_[kIds][kBurst] = {};
    uint32_t count_[kIds] = {};
};

#endif
