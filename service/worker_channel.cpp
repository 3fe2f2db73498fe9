#include "service/worker_channel.h"

#include "common/format.h"
#include "diagnostics/log.h"
#include "jvm/launcher_properties.h"

namespace {

const size_t kTokenBytes = 16;

class ChannelLock {
public:
    explicit ChannelLock(SRWLOCK &lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~ChannelLock() { ReleaseSRWLockExclusive(&lock_); }
    ChannelLock(const ChannelLock &) = delete;
    ChannelLock &operator=(const ChannelLock &) = delete;

private:
    SRWLOCK &lock_;
};

// The system's random generator (RtlGenRandom), found at run time in a DLL
// the launcher loads anyway.
bool randomToken(std::string &token) {
    typedef BOOLEAN(WINAPI * GenRandom)(PVOID, ULONG);
    GenRandom generate = reinterpret_cast<GenRandom>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "SystemFunction036")));
    unsigned char bytes[kTokenBytes];
    if (!generate || !generate(bytes, sizeof bytes))
        return false;
    for (unsigned char byte : bytes)
        token += formatString("%02x", byte);
    return true;
}

}  // namespace

ReadinessSettings loadReadinessSettings(const Settings &config) {
    std::vector<ClampNote> notes;
    ReadinessSettings settings = readReadinessSettings(config, notes);
    for (const ClampNote &note : notes)
        logMessage("record %d value '%S' is out of bounds: using %d", static_cast<int>(note.id),
                   note.value.c_str(), static_cast<int>(note.used));
    return settings;
}

std::unique_ptr<WorkerChannel> WorkerChannel::open(uint32_t pingIntervalMs) {
    std::string token;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE reportEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!randomToken(token) || !ready || !reportEnded) {
        logError("the channel from the application cannot be opened (%d)", static_cast<int>(GetLastError()));
        if (ready)
            CloseHandle(ready);
        if (reportEnded)
            CloseHandle(reportEnded);
        return nullptr;
    }
    std::string named = token + formatString(",%u", static_cast<unsigned>(pingIntervalMs));
    SetEnvironmentVariableA(kServiceChannelVariable, named.c_str());
    return std::unique_ptr<WorkerChannel>(new WorkerChannel(token, ready, reportEnded));
}

WorkerChannel::WorkerChannel(const std::string &token, HANDLE readyEvent, HANDLE reportEvent)
    : reader_(token, GetTickCount()), ready_(readyEvent), reportEnded_(reportEvent) {}

void WorkerChannel::consume(const char *bytes, size_t count) {
    ChannelLock lock(lock_);
    unsigned changes = reader_.consume(bytes, count, GetTickCount());
    if (changes & ChannelReader::kBecameReady) {
        logMessage("the application reports it is ready");
        SetEvent(ready_.get());
    }
    if (changes & ChannelReader::kReportEnded)
        SetEvent(reportEnded_.get());
}

LivenessClock WorkerChannel::liveness() {
    ChannelLock lock(lock_);
    return reader_.liveness();
}

void WorkerChannel::expectReport() {
    ChannelLock lock(lock_);
    ResetEvent(reportEnded_.get());
    reader_.expectReport();
}

bool WorkerChannel::waitForReport(uint32_t waitMs, std::string &text) {
    bool ended = WaitForSingleObject(reportEnded_.get(), waitMs) == WAIT_OBJECT_0;
    ChannelLock lock(lock_);
    text = reader_.report();
    return ended;
}
