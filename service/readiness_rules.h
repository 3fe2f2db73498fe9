// The decisions of readiness, liveness and the stop report that need no
// Win32: their settings, the lines of the channel from the application's VM
// back to the host, the watchdog's clock and the reports' file names.
#ifndef PELLUX_SERVICE_READINESS_RULES_H
#define PELLUX_SERVICE_READINESS_RULES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/settings.h"
#include "service/robustness_rules.h"

enum class ReadyMode : uint8_t { None, Port, Api };

// Everything is off when its record is missing.
struct ReadinessSettings {
    ReadyMode mode = ReadyMode::None;
    uint16_t port = 0;
    std::string host;  // empty: 127.0.0.1
    uint32_t readyTimeoutMs = 0;
    uint32_t watchdogTimeoutMs = 0;  // 0: no watchdog
    bool stopReport = false;
};

// Reads the records; values outside their bounds are clamped and noted. A
// mode the launcher does not know, or "port" without a port, reads as none.
ReadinessSettings readReadinessSettings(const Settings &config, std::vector<ClampNote> &notes);
// The VM needs the channel back to the host for any of them.
bool needsChannel(const ReadinessSettings &settings);
// How often the VM's own thread says it is alive: a third of the timeout.
uint32_t pingIntervalMs(const ReadinessSettings &settings);

// What a line of the worker's standard output means. Only lines that begin
// with the channel's mark and the token of this start count; everything
// else is the application's own output.
enum class ChannelLineKind : uint8_t { Output, Ready, Ping, Alive, ReportLine, ReportEnd };
struct ChannelLine {
    ChannelLineKind kind = ChannelLineKind::Output;
    const char *text = nullptr;  // ReportLine: the report's text, not NUL-terminated
    size_t length = 0;
};
// The mark (a record separator, then "pellux ") the VM starts each line with.
extern const char kChannelMark[];
ChannelLine parseChannelLine(const char *line, size_t length, const std::string &token);

// The watchdog's clock: the VM's pings, and once the application has called
// alive() its calls too. Ticks wrap at 32 bits.
struct LivenessClock {
    uint32_t lastPingTick = 0;
    uint32_t lastAliveTick = 0;
    bool aliveCalled = false;
};
// Milliseconds until the watchdog fires; 0 once it has.
uint32_t livenessTimeLeft(const LivenessClock &clock, uint32_t timeoutMs, uint32_t now);

// Reads the worker's output as it comes, in pieces of any size, into lines
// (longer ones are the application's and skipped) and keeps what the
// channel's lines said.
const size_t kChannelLineCapacity = 2048;
const size_t kStopReportCapacity = 1 << 20;  // more of a report is left out
class ChannelReader {
public:
    ChannelReader(std::string token, uint32_t startTick);
    // What the bytes brought: a combination of the flags.
    static constexpr unsigned kBecameReady = 1, kReportEnded = 2;
    unsigned consume(const char *bytes, size_t count, uint32_t now);
    bool ready() const { return ready_; }
    const LivenessClock &liveness() const { return clock_; }
    // Forgets an earlier report; lines of the next one are kept from now on.
    void expectReport();
    const std::string &report() const { return report_; }

private:
    unsigned takeLine(uint32_t now);

    std::string token_;
    std::string line_;
    bool overlong_ = false;
    bool ready_ = false;
    LivenessClock clock_;
    std::string report_;
    bool collecting_ = false;
};

// A report's file name, "stop-report-YYYYMMDD-HHMMSS.txt", from the local time.
struct ReportTime {
    int year, month, day, hour, minute, second;
};
std::string stopReportName(const ReportTime &time);
bool isStopReportName(const std::string &name);
const size_t kStopReportsKept = 5;
// The folder of the reports, relative to the executable's unless absolute:
// the folder of the redirected standard output (empty: not redirected).
std::string stopReportFolder(const std::string &outputFile);
// The report files to delete so that `kept` remain, the newest; names sort by time.
std::vector<std::string> stopReportsToRemove(std::vector<std::string> names, size_t kept);

#endif
