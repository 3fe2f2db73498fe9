#include "service/readiness_rules.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "common/format.h"
#include "common/records.h"

namespace {

const uint32_t kMsPerSecond = 1000;

ReadyMode readMode(const Settings &config, std::vector<ClampNote> &notes, uint16_t &port) {
    std::string mode = config.text(record::kReadyMode);
    if (mode == "api")
        return ReadyMode::Api;
    int32_t value = 0;
    if (mode == "port" && readBounded(config, record::kReadyPort, notes, value)) {
        port = static_cast<uint16_t>(value);
        return ReadyMode::Port;
    }
    return ReadyMode::None;
}

bool startsWith(const char *text, size_t length, const char *prefix) {
    size_t prefixLength = strlen(prefix);
    return length >= prefixLength && memcmp(text, prefix, prefixLength) == 0;
}

}  // namespace

const char kChannelMark[] = "\x1epellux ";

ReadinessSettings readReadinessSettings(const Settings &config, std::vector<ClampNote> &notes) {
    ReadinessSettings settings;
    settings.mode = readMode(config, notes, settings.port);
    if (settings.mode != ReadyMode::None) {
        int32_t timeout = keyDefaultOf(record::kReadyTimeout);
        readBounded(config, record::kReadyTimeout, notes, timeout);
        settings.readyTimeoutMs = static_cast<uint32_t>(timeout) * kMsPerSecond;
    }
    if (settings.mode == ReadyMode::Port)
        settings.host = config.text(record::kReadyHost);
    int32_t watchdog = 0;
    if (readBounded(config, record::kWatchdogTimeout, notes, watchdog))
        settings.watchdogTimeoutMs = static_cast<uint32_t>(watchdog) * kMsPerSecond;
    settings.stopReport = config.flag(record::kStopReport);
    return settings;
}

bool needsChannel(const ReadinessSettings &settings) {
    return settings.mode == ReadyMode::Api || settings.watchdogTimeoutMs != 0 || settings.stopReport;
}

uint32_t pingIntervalMs(const ReadinessSettings &settings) { return settings.watchdogTimeoutMs / 3; }

ChannelLine parseChannelLine(const char *line, size_t length, const std::string &token) {
    ChannelLine parsed;
    // A line the VM ended with CR LF.
    if (length > 0 && line[length - 1] == '\r')
        length--;
    size_t markLength = sizeof kChannelMark - 1;
    if (token.empty() || !startsWith(line, length, kChannelMark) ||
        !startsWith(line + markLength, length - markLength, token.c_str()))
        return parsed;
    size_t at = markLength + token.size();
    if (at >= length || line[at] != ' ')
        return parsed;
    const char *verb = line + at + 1;
    size_t verbLength = length - at - 1;
    if (verbLength == 5 && memcmp(verb, "ready", 5) == 0)
        parsed.kind = ChannelLineKind::Ready;
    else if (verbLength == 4 && memcmp(verb, "ping", 4) == 0)
        parsed.kind = ChannelLineKind::Ping;
    else if (verbLength == 5 && memcmp(verb, "alive", 5) == 0)
        parsed.kind = ChannelLineKind::Alive;
    else if (verbLength == 10 && memcmp(verb, "report-end", 10) == 0)
        parsed.kind = ChannelLineKind::ReportEnd;
    else if (startsWith(verb, verbLength, "report ")) {
        parsed.kind = ChannelLineKind::ReportLine;
        parsed.text = verb + 7;
        parsed.length = verbLength - 7;
    }
    return parsed;
}

ChannelReader::ChannelReader(std::string token, uint32_t startTick) : token_(std::move(token)) {
    clock_.lastPingTick = startTick;
}

unsigned ChannelReader::consume(const char *bytes, size_t count, uint32_t now) {
    unsigned changes = 0;
    for (size_t i = 0; i < count; i++) {
        if (bytes[i] == '\n') {
            if (!overlong_)
                changes |= takeLine(now);
            line_.clear();
            overlong_ = false;
        } else if (line_.size() < kChannelLineCapacity) {
            line_ += bytes[i];
        } else {
            overlong_ = true;
        }
    }
    return changes;
}

void ChannelReader::expectReport() {
    report_.clear();
    collecting_ = true;
}

unsigned ChannelReader::takeLine(uint32_t now) {
    ChannelLine line = parseChannelLine(line_.data(), line_.size(), token_);
    switch (line.kind) {
    case ChannelLineKind::Ready:
        if (ready_)
            return 0;
        ready_ = true;
        return kBecameReady;
    case ChannelLineKind::Ping:
        clock_.lastPingTick = now;
        return 0;
    case ChannelLineKind::Alive:
        clock_.lastAliveTick = now;
        clock_.aliveCalled = true;
        return 0;
    case ChannelLineKind::ReportLine:
        if (collecting_ && report_.size() + line.length + 2 <= kStopReportCapacity) {
            report_.append(line.text, line.length);
            report_ += "\r\n";
        }
        return 0;
    case ChannelLineKind::ReportEnd:
        if (!collecting_)
            return 0;
        collecting_ = false;
        return kReportEnded;
    case ChannelLineKind::Output:
        break;
    }
    return 0;
}

uint32_t livenessTimeLeft(const LivenessClock &clock, uint32_t timeoutMs, uint32_t now) {
    StopBudget sincePing{timeoutMs, clock.lastPingTick};
    uint32_t left = stopTimeLeft(sincePing, now);
    if (clock.aliveCalled) {
        StopBudget sinceAlive{timeoutMs, clock.lastAliveTick};
        left = std::min(left, stopTimeLeft(sinceAlive, now));
    }
    return left;
}

std::string stopReportName(const ReportTime &time) {
    char name[64];
    formatText(name, sizeof name, "stop-report-%04d%02d%02d-%02d%02d%02d.txt", time.year, time.month, time.day,
               time.hour, time.minute, time.second);
    return name;
}

bool isStopReportName(const std::string &name) {
    const std::string prefix = "stop-report-", suffix = ".txt";
    if (name.size() != prefix.size() + 15 + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    for (size_t i = prefix.size(); i < prefix.size() + 15; i++)
        if (i == prefix.size() + 8 ? name[i] != '-' : (name[i] < '0' || name[i] > '9'))
            return false;
    return true;
}

std::vector<std::string> stopReportsToRemove(std::vector<std::string> names, size_t kept) {
    auto other = [](const std::string &name) { return !isStopReportName(name); };
    names.erase(std::remove_if(names.begin(), names.end(), other), names.end());
    // A few names at most: the oldest, one by one, without a sort.
    std::vector<std::string> removed;
    while (names.size() > kept) {
        auto oldest = std::min_element(names.begin(), names.end());
        removed.push_back(*oldest);
        names.erase(oldest);
    }
    return removed;
}

std::string stopReportFolder(const std::string &outputFile) {
    if (outputFile.empty())
        return "var\\log";
    size_t slash = outputFile.find_last_of("\\/");
    return slash == std::string::npos ? "." : outputFile.substr(0, slash);
}
