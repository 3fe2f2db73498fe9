#include "service/service_registration.h"

#include <vector>

#include "common/capacities.h"
#include "common/records.h"
#include "common/win32_handles.h"
#include "paths/path_utils.h"
#include "config/settings.h"
#include "diagnostics/log.h"

namespace {

typedef BOOL(WINAPI *ChangeConfig2)(SC_HANDLE, DWORD, LPVOID);
typedef BOOL(WINAPI *QueryConfig2)(SC_HANDLE, DWORD, LPBYTE, DWORD, LPDWORD);

ChangeConfig2 findChangeServiceConfig2() {
    HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
    return advapi ? reinterpret_cast<ChangeConfig2>(
                        reinterpret_cast<void *>(GetProcAddress(advapi, "ChangeServiceConfig2W")))
                  : nullptr;
}

QueryConfig2 findQueryServiceConfig2() {
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    return advapi ? reinterpret_cast<QueryConfig2>(
                        reinterpret_cast<void *>(GetProcAddress(advapi, "QueryServiceConfig2W")))
                  : nullptr;
}

bool changeConfig(SC_HANDLE service, DWORD level, void *info, const wchar_t *what) {
    ChangeConfig2 changeConfig2 = findChangeServiceConfig2();
    SetLastError(ERROR_PROC_NOT_FOUND);
    if (changeConfig2 && changeConfig2(service, level, info))
        return true;
    logMessage("warning: could not register the %s (%d)", what, static_cast<int>(GetLastError()));
    return false;
}

void registerFailureActions(SC_HANDLE service, const RobustnessSettings &settings) {
    std::vector<RecoveryAction> plan = recoveryActions(settings);
    std::vector<SC_ACTION> actions;
    for (const RecoveryAction &action : plan)
        actions.push_back(SC_ACTION{static_cast<SC_ACTION_TYPE>(action.type), action.delayMs});
    SERVICE_FAILURE_ACTIONSW failure = {};
    failure.dwResetPeriod = settings.resetSeconds;
    failure.cActions = static_cast<DWORD>(actions.size());
    failure.lpsaActions = actions.data();
    if (changeConfig(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failure, L"failure actions"))
        logMessage("failure actions: %d restarts after %d ms, count reset after %d s",
                   static_cast<int>(settings.restarts), static_cast<int>(settings.restartDelayMs),
                   static_cast<int>(settings.resetSeconds));
    // Also a worker that ends with an error code, reported as stopped, counts.
    SERVICE_FAILURE_ACTIONS_FLAG flag = {TRUE};
    if (changeConfig(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag, L"failure actions flag"))
        logMessage("failure actions also for a stop with an error code");
}

}  // namespace

RobustnessSettings loadRobustnessSettings(const Settings &config) {
    std::vector<ClampNote> notes;
    RobustnessSettings settings = readRobustnessSettings(config, notes);
    for (const ClampNote &note : notes)
        logMessage("record %d value '%S' is out of bounds: using %d", static_cast<int>(note.id),
                   note.value.c_str(), static_cast<int>(note.used));
    return settings;
}

void setServiceDescription(const Settings &settings, SC_HANDLE service) {
    wchar_t description[kTextCapacity];
    settings.message(message::kServiceDescription, description, kTextCapacity);
    if (description[0] == 0)
        return;
    ChangeConfig2 changeConfig2 = findChangeServiceConfig2();
    if (!changeConfig2)
        return;
    SERVICE_DESCRIPTIONW text = {description};
    changeConfig2(service, SERVICE_CONFIG_DESCRIPTION, &text);
}

void registerRobustness(SC_HANDLE service, const RobustnessSettings &settings) {
    if (settings.restarts != 0)
        registerFailureActions(service, settings);
    if (settings.preshutdownTimeoutMs != 0) {
        SERVICE_PRESHUTDOWN_INFO info = {settings.preshutdownTimeoutMs};
        if (changeConfig(service, SERVICE_CONFIG_PRESHUTDOWN_INFO, &info, L"pre-shutdown timeout"))
            logMessage("pre-shutdown timeout %d ms", static_cast<int>(settings.preshutdownTimeoutMs));
    }
}

DWORD registerDelayedStart(SC_HANDLE service, bool delayed) {
    ChangeConfig2 changeConfig2 = findChangeServiceConfig2();
    SERVICE_DELAYED_AUTO_START_INFO info = {delayed ? TRUE : FALSE};
    SetLastError(ERROR_PROC_NOT_FOUND);
    if (changeConfig2 && changeConfig2(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, &info)) {
        logMessage("delayed auto-start %s", delayed ? L"set" : L"cleared");
        return 0;
    }
    DWORD error = GetLastError();
    logMessage("warning: could not %s delayed auto-start (%d)", delayed ? L"set" : L"clear", static_cast<int>(error));
    return error != 0 ? error : ERROR_GEN_FAILURE;
}

bool hasDelayedStart(SC_HANDLE service) {
    QueryConfig2 queryConfig2 = findQueryServiceConfig2();
    union {
        SERVICE_DELAYED_AUTO_START_INFO info;
        BYTE bytes[64];
    } answer = {};
    DWORD needed = 0;
    return queryConfig2 &&
           queryConfig2(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, answer.bytes, sizeof answer, &needed) &&
           answer.info.fDelayedAutostart;
}

namespace {

std::wstring eventSourceKey(const wchar_t *serviceName) {
    return std::wstring(L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\") + serviceName;
}

}  // namespace

void registerEventSource(const wchar_t *serviceName) {
    RegistryKey key;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, eventSourceKey(serviceName).c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, key.receive(), nullptr);
    const wchar_t *executable = getExecutablePath();
    DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    if (result == ERROR_SUCCESS)
        result = RegSetValueExW(key.get(), L"EventMessageFile", 0, REG_EXPAND_SZ,
                                reinterpret_cast<const BYTE *>(executable),
                                static_cast<DWORD>((lstrlenW(executable) + 1) * sizeof(wchar_t)));
    if (result == ERROR_SUCCESS)
        result = RegSetValueExW(key.get(), L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&types),
                                sizeof types);
    if (result == ERROR_SUCCESS)
        logMessage("event source %s registered", serviceName);
    else
        logMessage("warning: could not register the event source %s (%d)", serviceName, static_cast<int>(result));
}

void removeEventSource(const wchar_t *serviceName) {
    std::wstring keyName = eventSourceKey(serviceName);
    wchar_t file[kTextCapacity] = {};
    DWORD size = sizeof file - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, keyName.c_str(), L"EventMessageFile", RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, file, &size) != ERROR_SUCCESS ||
        lstrcmpiW(file, getExecutablePath()) != 0)
        return;
    LONG result = RegDeleteKeyW(HKEY_LOCAL_MACHINE, keyName.c_str());
    logMessage("event source %s removed (%d)", serviceName, static_cast<int>(result));
}
