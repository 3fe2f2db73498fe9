// Readiness, liveness and the stop report without Win32: the records read,
// the channel's lines told from the application's output, the watchdog's
// clock and the reports kept.
#include <gtest/gtest.h>

#include <string>

#include "common/records.h"
#include "service/readiness_rules.h"

namespace {

const std::string kToken = "0123456789abcdef0123456789abcdef";

std::string channelLine(const std::string &verb, const std::string &token = kToken) {
    return std::string(kChannelMark) + token + " " + verb + "\n";
}

TEST(ReadinessRecords, RawBlocksKeepEverythingOffAndPresentRecordsAreClamped) {
    std::vector<ClampNote> notes;
    ReadinessSettings off = readReadinessSettings(Settings{{{record::kReadyTimeout, "30"}}, {}}, notes);
    EXPECT_EQ(off.mode, ReadyMode::None);
    EXPECT_EQ(off.watchdogTimeoutMs, 0u);
    EXPECT_FALSE(off.stopReport);
    EXPECT_FALSE(needsChannel(off));

    ReadinessSettings port = readReadinessSettings(
        Settings{{{record::kReadyMode, "port"}, {record::kReadyPort, "8080"}, {record::kReadyHost, "::1"},
                  {record::kWatchdogTimeout, "30"}, {record::kStopReport, "1"}}, {}}, notes);
    EXPECT_EQ(port.mode, ReadyMode::Port);
    EXPECT_EQ(port.port, 8080);
    EXPECT_EQ(port.host, "::1");
    EXPECT_EQ(port.readyTimeoutMs, 300000u) << "the packaging default when the record is missing";
    EXPECT_EQ(port.watchdogTimeoutMs, 30000u);
    EXPECT_EQ(pingIntervalMs(port), 10000u);
    EXPECT_TRUE(port.stopReport);
    EXPECT_TRUE(notes.empty());

    ReadinessSettings wild = readReadinessSettings(
        Settings{{{record::kReadyMode, "port"}, {record::kReadyPort, "70000"}, {record::kReadyTimeout, "0"},
                  {record::kWatchdogTimeout, "1"}}, {}}, notes);
    EXPECT_EQ(wild.port, 65535);
    EXPECT_EQ(wild.readyTimeoutMs, 1000u);
    EXPECT_EQ(wild.watchdogTimeoutMs, 3000u);
    EXPECT_EQ(notes.size(), 3u);

    EXPECT_EQ(readReadinessSettings(Settings{{{record::kReadyMode, "port"}}, {}}, notes).mode, ReadyMode::None)
        << "a port mode without a port";
    EXPECT_EQ(readReadinessSettings(Settings{{{record::kReadyMode, "http"}}, {}}, notes).mode, ReadyMode::None);
    ReadinessSettings api = readReadinessSettings(Settings{{{record::kReadyMode, "api"}}, {}}, notes);
    EXPECT_EQ(api.mode, ReadyMode::Api);
    EXPECT_TRUE(needsChannel(api));
}

TEST(ChannelReader, OnlyWholeLinesWithThisStartsTokenCountWhateverThePiecesTheyComeIn) {
    ChannelReader reader(kToken, 100);
    std::string output = "application says hello\n" + channelLine("ready", "ffffffffffffffffffffffffffffffff") +
                         "pellux " + kToken + " ready\n" + std::string(kChannelMark) + kToken + "ready\n" +
                         std::string(5000, 'x') + channelLine("ready");
    EXPECT_EQ(reader.consume(output.data(), output.size(), 200), 0u) << "other tokens, no mark, no space, an overlong line";
    EXPECT_FALSE(reader.ready()) << "a line past the capacity is the application's";

    std::string ready = channelLine("ready");
    unsigned changes = 0;
    for (char c : ready)  // a byte at a time
        changes |= reader.consume(&c, 1, 300);
    EXPECT_EQ(changes, ChannelReader::kBecameReady);
    EXPECT_TRUE(reader.ready());
    EXPECT_EQ(reader.consume(ready.data(), ready.size(), 300), 0u) << "ready once";

    std::string ping = std::string(kChannelMark) + kToken + " ping\r\n" + channelLine("alive");
    reader.consume(ping.data(), ping.size(), 400);
    EXPECT_EQ(reader.liveness().lastPingTick, 400u);
    EXPECT_TRUE(reader.liveness().aliveCalled);
}

TEST(ChannelReader, ReportsAreKeptOnlyWhenAskedForAndBounded) {
    ChannelReader reader(kToken, 0);
    std::string unasked = channelLine("report stale") + channelLine("report-end");
    EXPECT_EQ(reader.consume(unasked.data(), unasked.size(), 0), 0u);
    EXPECT_EQ(reader.report(), "");

    reader.expectReport();
    std::string report = channelLine("report \"main\" WAITING") + "interleaved output\n" +
                         channelLine("report     at Main.blockedHere(Main.java:7)") + channelLine("report-end");
    EXPECT_EQ(reader.consume(report.data(), report.size(), 0), ChannelReader::kReportEnded);
    EXPECT_EQ(reader.report(), "\"main\" WAITING\r\n    at Main.blockedHere(Main.java:7)\r\n");

    reader.expectReport();
    std::string line = channelLine("report " + std::string(kChannelLineCapacity - 100, 'f'));
    for (size_t i = 0; i < 2 * kStopReportCapacity / kChannelLineCapacity; i++)
        reader.consume(line.data(), line.size(), 0);
    EXPECT_LE(reader.report().size(), kStopReportCapacity);
    EXPECT_GT(reader.report().size(), kStopReportCapacity - kChannelLineCapacity);
}

TEST(LivenessClock, PingsAloneUntilTheApplicationPromisesItsOwnCallsAcrossTheTickWrap) {
    LivenessClock clock;
    clock.lastPingTick = 0xFFFFF000u;
    EXPECT_EQ(livenessTimeLeft(clock, 10000, 0xFFFFF000u + 4000), 6000u);
    EXPECT_EQ(livenessTimeLeft(clock, 10000, 0xFFFFF000u + 10000), 0u);
    clock.lastPingTick = 50000;
    clock.lastAliveTick = 42000;
    EXPECT_EQ(livenessTimeLeft(clock, 10000, 51000), 9000u) << "alive() never called: only pings count";
    clock.aliveCalled = true;
    EXPECT_EQ(livenessTimeLeft(clock, 10000, 51000), 1000u);
    EXPECT_EQ(livenessTimeLeft(clock, 10000, 52000), 0u) << "pinging VM, silent application";
}

TEST(StopReportFiles, NamedByTimeTheNewestFiveKeptBesideTheOutput) {
    EXPECT_EQ(stopReportName(ReportTime{2026, 3, 4, 5, 6, 7}), "stop-report-20260304-050607.txt");
    EXPECT_FALSE(isStopReportName("stop-report-20260304-0506.txt"));
    EXPECT_FALSE(isStopReportName("stop-report-2026030400506x.txt"));
    std::vector<std::string> names = {"server_out.log", "stop-report-20260101-000000.txt"};
    for (int second = 10; second < 16; second++)
        names.push_back(stopReportName(ReportTime{2026, 1, 1, 0, 0, second}));
    std::vector<std::string> removed = stopReportsToRemove(names, kStopReportsKept);
    EXPECT_EQ(removed, (std::vector<std::string>{"stop-report-20260101-000000.txt", "stop-report-20260101-000010.txt"}));
    EXPECT_TRUE(stopReportsToRemove({"stop-report-20260101-000000.txt"}, kStopReportsKept).empty());

    EXPECT_EQ(stopReportFolder("var\\log\\server_out.log"), "var\\log");
    EXPECT_EQ(stopReportFolder("D:/logs/out.log"), "D:/logs");
    EXPECT_EQ(stopReportFolder("out.log"), ".");
    EXPECT_EQ(stopReportFolder(""), "var\\log");
}

}  // namespace
