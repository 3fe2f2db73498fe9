#include "tests/service/service_roles.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "common/split_command_line.h"
#include "common/text.h"
#include "common/win32_handles.h"
#include "config/settings.h"
#include "service/host_event_log.h"
#include "service/service_host.h"
#include "service/service_rules.h"
#include "tests/support/launcher_harness.h"

namespace {

// More than any pipe buffer: the worker blocks unless the host drains it.
const size_t kWorkerOutputBytes = 512 * 1024;
const DWORD kLingerMs = 3000;
const DWORD kIgnoringWorkerMs = 60000;

std::string utf8(const std::wstring &text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string bytes(static_cast<size_t>(std::max(size, 0)), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr,
                            nullptr);
    return bytes;
}

bool hasToken(const StringList &tokens, const std::wstring &token) {
    return std::find(tokens.begin(), tokens.end(), token) != tokens.end();
}

// The directory follows the host role's name, in the host's and the worker's
// command lines alike.
std::wstring reportDirectory(const StringList &tokens) {
    auto role = std::find(tokens.begin(), tokens.end(), kHostRole);
    return role != tokens.end() && role + 1 != tokens.end() ? *(role + 1) : std::wstring();
}

void writeOutput(DWORD which, size_t bytes) {
    std::string chunk(4096, 'x');
    HANDLE output = GetStdHandle(which);
    for (size_t done = 0; done < bytes; done += chunk.size()) {
        DWORD written;
        if (!WriteFile(output, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr))
            return;
    }
}

std::string readStandardInput() {
    std::string input;
    char buffer[256];
    DWORD count;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &count, nullptr) && count > 0)
        input.append(buffer, count);
    return input;
}

int workerExitCode(const StringList &tokens, bool &exitAtOnce) {
    for (const std::wstring &token : tokens) {
        if (token.compare(0, wcslen(kWorkerExitFlag), kWorkerExitFlag) == 0) {
            exitAtOnce = true;
            return _wtoi(token.c_str() + wcslen(kWorkerExitFlag));
        }
    }
    exitAtOnce = false;
    return 0;
}

int runWorker(const StringList &tokens) {
    std::wstring directory = reportDirectory(tokens);
    writeFileBytes(directory + L"\\" + kWorkerCommandLineFile, utf8(GetCommandLineW()));
    bool exitAtOnce;
    int exitCode = workerExitCode(tokens, exitAtOnce);
    if (exitAtOnce)
        return exitCode;
    writeOutput(STD_OUTPUT_HANDLE, kWorkerOutputBytes);
    writeOutput(STD_ERROR_HANDLE, kWorkerOutputBytes);
    writeFileBytes(directory + L"\\" + kWorkerPidFile, std::to_string(GetCurrentProcessId()));
    writeFileBytes(directory + L"\\" + kWorkerStartedFile, "started");
    if (hasToken(tokens, kWorkerIgnoreInputFlag)) {
        Sleep(kIgnoringWorkerMs);
        return 0;
    }
    writeFileBytes(directory + L"\\" + kWorkerInputFile, readStandardInput());
    if (hasToken(tokens, kWorkerLingerFlag))
        Sleep(kLingerMs);
    return 0;
}

// The host's events as lines "kind value error text" (text in UTF-8), so
// that the tests see what the host did without reading its log's wording.
class EventFile : public HostObserver {
public:
    explicit EventFile(const std::wstring &path)
        : file_(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}

    void observe(const HostEvent &event) override {
        std::string line = std::to_string(static_cast<int>(event.kind)) + " " + std::to_string(event.value) + " " +
                           std::to_string(event.error) + " " + (event.text ? utf8(event.text) : std::string()) +
                           "\n";
        AcquireSRWLockExclusive(&lock_);
        DWORD written;
        WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        ReleaseSRWLockExclusive(&lock_);
    }

private:
    UniqueHandle file_;
    SRWLOCK lock_ = SRWLOCK_INIT;
};

struct Delivery {
    std::wstring startedFile;
    std::vector<DWORD> controls;
};

DWORD WINAPI deliverControls(LPVOID parameter) {
    const Delivery *delivery = static_cast<const Delivery *>(parameter);
    for (int i = 0; i < 400 && !fileExists(delivery->startedFile); i++)
        Sleep(50);
    for (DWORD control : delivery->controls)
        serviceControlHandler(control);
    return 0;
}

void startDelivery(const StringList &tokens, const std::wstring &directory) {
    static Delivery delivery;
    delivery.startedFile = directory + L"\\" + kWorkerStartedFile;
    for (const std::wstring &token : tokens) {
        if (token.compare(0, wcslen(kDeliverFlag), kDeliverFlag) != 0)
            continue;
        std::wstring codes = token.substr(wcslen(kDeliverFlag));
        for (size_t pos = 0; pos < codes.size();)
            delivery.controls.push_back(static_cast<DWORD>(_wtoi(nextToken(codes, pos, L',').c_str())));
    }
    if (!delivery.controls.empty())
        CloseHandle(CreateThread(nullptr, 0, deliverControls, &delivery, 0, nullptr));
}

// What a block would carry, for the host's serviceMain to read.
void setRecords(const StringList &tokens, Settings &settings) {
    for (const std::wstring &token : tokens) {
        if (token.compare(0, wcslen(kRecordsFlag), kRecordsFlag) != 0)
            continue;
        std::wstring records = token.substr(wcslen(kRecordsFlag));
        for (size_t pos = 0; pos < records.size();) {
            std::wstring entry = nextToken(records, pos, L',');
            size_t colon = entry.find(L':');
            if (colon != std::wstring::npos)
                settings.records[_wtoi(entry.c_str())] = narrowBytes(entry.substr(colon + 1));
        }
    }
}

int runHost(const StringList &tokens) {
    std::wstring directory = reportDirectory(tokens);
    // The host logs into the directory; its worker inherits the environment.
    SetEnvironmentVariableW(L"PELLUX_LOG", L"yes");
    SetEnvironmentVariableW(L"ZANTHOR_LOG", nullptr);
    SetEnvironmentVariableW(L"TEMP", directory.c_str());
    SetEnvironmentVariableW(L"TMP", directory.c_str());
    if (hasToken(tokens, kWorkerMissingFlag)) {
        // A running program may be renamed; its worker, the same path, is then gone.
        MoveFileW(tokens[0].c_str(), (tokens[0] + L".gone").c_str());
    }
    static Settings settings;
    setRecords(tokens, settings);
    setServiceSettings(settings);
    static EventFile events(directory + L"\\" + kHostEventsFile);
    addHostObserver(events);
    // The event log's entries, which Wine does not keep, show in the host's log.
    static HostEventLog eventLog;
    addHostObserver(eventLog);
    startDelivery(tokens, directory);
    if (hasToken(tokens, kEarlyStopFlag))
        serviceControlHandler(SERVICE_CONTROL_STOP);
    wchar_t tableName[] = L"PelluxTestHost";
    SERVICE_TABLE_ENTRYW table[2] = {{tableName, serviceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherW(table))
        return static_cast<int>(GetLastError());
    waitForServiceMainEnd();
    return 0;
}

}  // namespace

std::vector<RecordedEvent> readHostEvents(const std::wstring &file) {
    std::vector<RecordedEvent> events;
    std::wstring text = readUtf8File(file);
    // A line still being written counts once it is whole.
    text.resize(text.rfind(L'\n') == std::wstring::npos ? 0 : text.rfind(L'\n') + 1);
    for (size_t pos = 0; pos < text.size();) {
        std::wstring line = nextToken(text, pos, L'\n');
        if (line.empty())
            continue;
        wchar_t *rest = nullptr;
        RecordedEvent event;
        event.kind = static_cast<HostEventKind>(wcstol(line.c_str(), &rest, 10));
        event.value = static_cast<int32_t>(wcstol(rest, &rest, 10));
        event.error = static_cast<int32_t>(wcstol(rest, &rest, 10));
        event.text = *rest == L' ' ? rest + 1 : rest;
        events.push_back(event);
    }
    return events;
}

bool runServiceRole(const StringList &tokens, int &exitCode) {
    if (!tokens.empty() && tokens.back() == workerMarker) {
        exitCode = runWorker(tokens);
        return true;
    }
    if (tokens.size() >= 3 && tokens[1] == kHostRole) {
        exitCode = runHost(tokens);
        return true;
    }
    // A worker that lost its marker must not run the tests (and remove the
    // services of the run that started it).
    if (hasToken(tokens, kHostRole)) {
        exitCode = kLostWorkerExitCode;
        return true;
    }
    return false;
}
