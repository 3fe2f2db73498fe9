// The channel from the worker's VM back to the service host: lines with a
// token of this start on the worker's standard output, which the host's
// drain reads anyway. Only the worker and what it starts hold that pipe, and
// the token keeps the application's own output from passing for the channel.
#ifndef PELLUX_SERVICE_WORKER_CHANNEL_H
#define PELLUX_SERVICE_WORKER_CHANNEL_H

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/win32_handles.h"
#include "service/readiness_rules.h"

// The readiness, watchdog and report records; every clamped value is logged.
ReadinessSettings loadReadinessSettings(const Settings &config);

class WorkerChannel {
public:
    // Makes a token and names it, with the ping interval, to the worker that
    // the host starts next (through its environment). Null (logged) when no
    // token can be made.
    static std::unique_ptr<WorkerChannel> open(uint32_t pingIntervalMs);
    WorkerChannel(const std::string &token, HANDLE readyEvent, HANDLE reportEvent);
    WorkerChannel(const WorkerChannel &) = delete;
    WorkerChannel &operator=(const WorkerChannel &) = delete;

    // The drain's bytes, as they come.
    void consume(const char *bytes, size_t count);
    // Set once the application called ServiceState.ready().
    HANDLE readyEvent() const { return ready_.get(); }
    LivenessClock liveness();
    // Forgets an earlier report; call before the request.
    void expectReport();
    // The report's text once it ended within waitMs.
    bool waitForReport(uint32_t waitMs, std::string &text);

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    ChannelReader reader_;
    UniqueHandle ready_;
    UniqueHandle reportEnded_;
};

#endif
