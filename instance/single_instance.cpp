#include "instance/single_instance.h"

#include <windows.h>
#include <sddl.h>

#include <string>

#include "common/private_security.h"
#include "common/records.h"
#include "common/text.h"
#include "common/user32_calls.h"
#include "common/win32_handles.h"
#include "config/settings.h"
#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "instance/instance_name.h"
#include "paths/path_utils.h"

namespace {

const char kInstancePidKey[] = "SOFTWARE\\Marrowfield\\pellux\\pids\\";
const int kMaxInstanceNumber = 100000;
// Bringing the other copy's windows forward is a courtesy: a window whose
// thread does not answer, or a desktop that is slow to enumerate, must not
// keep the second copy from ending.
const DWORD kActivationWaitMillis = 3000;
const DWORD kActivationStackSize = 1 << 20;

// The executable's full path in lower case: the registry value name as it
// is, and the body of the semaphore name. Narrow, as are the registry and
// semaphore calls that use it: copies of earlier versions find each other
// under these very names.
std::string instancePath() {
    char path[kPathCapacity];
    getFullPath(path, sizeof path, getExecutablePathA(), false);
    return path;
}

// The string SID of the process token's user, or empty; each failing step is
// logged.
std::string userSidText() {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive())) {
        logMessage("could not open process token %d", static_cast<int>(GetLastError()));
        return std::string();
    }
    union {
        TOKEN_USER user;
        unsigned char bytes[1008];
    } information;
    DWORD size = 0;
    std::string sid;
    LocalMemory<char *> text;
    if (!GetTokenInformation(token.get(), TokenUser, &information, sizeof information, &size))
        logMessage("could not get token information %d", static_cast<int>(GetLastError()));
    // Narrow: the text becomes part of the narrow semaphore name.
    else if (!ConvertSidToStringSidA(information.user.User.Sid, text.receive()))
        logMessage("could not get convert sid %d %d", static_cast<int>(GetLastError()), static_cast<int>(size));
    else
        sid = text.get();
    return sid;
}

InstancePrefix namespacePrefix(const Settings &settings) {
    bool allSessions = settings.flag(record::kInstanceAllSessions);
    bool perSession = settings.flag(record::kInstancePerSession);
    std::string sid;
    if (!allSessions && !perSession) {
        logMessage("user single instance");
        sid = userSidText();
        if (sid.empty())
            logMessage("user single instance failed, fall back to session single instance");
    }
    return chooseInstancePrefix(allSessions, perSession, sid.empty() ? nullptr : sid.c_str());
}

// Creates the semaphore (count 1 of 1) and keeps its name for the Java side.
// error receives the system's answer, ERROR_ALREADY_EXISTS for a name that
// another copy holds.
// The name as passed on is stored in shownName.
HANDLE createInstanceSemaphore(const std::string &name, const InstancePrefix &prefix, DWORD *error,
                               std::string &shownName) {
    // A null DACL would let anyone change the semaphore's owner and rights;
    // other users' copies need no more than to see that it is there.
    PrivateSecurity security(SEMAPHORE_ALL_ACCESS, prefix.otherUsers ? SYNCHRONIZE : 0);
    shownName = name.substr(0, kTextCapacity - 1);
    if (shownName.size() < name.size())
        logError("semaphore name cut at %d characters", static_cast<int>(kTextCapacity - 1));
    SetLastError(ERROR_SUCCESS);
    HANDLE semaphore = CreateSemaphoreA(prefix.openToEveryone ? security.attributes() : nullptr, 1, 1, name.c_str());
    *error = GetLastError();
    if (semaphore == nullptr && *error == ERROR_ACCESS_DENIED) {
        // Another user's copy holds it and lets this one only see it.
        UniqueHandle existing(OpenSemaphoreA(SYNCHRONIZE, FALSE, name.c_str()));
        if (existing)
            *error = ERROR_ALREADY_EXISTS;
    }
    return semaphore;
}

void logSemaphore(const InstanceSemaphore &semaphore, DWORD error) {
    logMessage("semaphore name %S, code %d, value %p", semaphore.name.c_str(), static_cast<int>(error),
               semaphore.handle.get());
}

// Several copies allowed: the first free number names this copy.
InstanceSemaphore createNumberedSemaphore(const std::string &name, const InstancePrefix &prefix) {
    DWORD error;
    InstanceSemaphore semaphore;
    for (int n = 0;; n++) {
        semaphore.handle.reset(createInstanceSemaphore(name + std::to_string(n), prefix, &error, semaphore.name));
        if (error != ERROR_ALREADY_EXISTS || n >= kMaxInstanceNumber)
            break;
    }
    logSemaphore(semaphore, error);
    return semaphore;
}

struct ActivationRequest {
    uint32_t processId;
    HDESK desktop;  // the deciding thread's: a new thread starts on the process's
    User32Calls user32;
};

DWORD WINAPI activationThread(void *parameter) {
    const ActivationRequest *request = static_cast<const ActivationRequest *>(parameter);
    if (request->desktop)
        request->user32.SetThreadDesktop(request->desktop);
    activateInstanceWindows(request->processId);
    return 0;
}

// Activation runs on its own thread; the process ends soon after, taking a
// thread that is still waiting on a window with it. The request stays valid
// until then: it is never freed.
// False when the activation was still under way at the end of the wait.
bool activateWithinBoundedTime(uint32_t processId) {
    User32Calls user32;
    if (!loadUser32Calls(&user32))
        return true;
    ActivationRequest *request =
        new ActivationRequest{processId, user32.GetThreadDesktop(GetCurrentThreadId()), user32};
    UniqueHandle thread(CreateThread(nullptr, kActivationStackSize, activationThread, request,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread) {
        activateInstanceWindows(processId);
        return true;
    }
    if (WaitForSingleObject(thread.get(), kActivationWaitMillis) != WAIT_TIMEOUT)
        return true;
    logMessage("window activation unfinished after %d ms", static_cast<int>(kActivationWaitMillis));
    return false;
}

[[noreturn]] void handOverToRunningInstance(bool activate) {
    uint32_t otherPid = readInstancePid();
    // The running copy registers only after it created the semaphore.
    for (int retry = 0; otherPid == 0 && retry < 50; retry++) {
        Sleep(100);
        otherPid = readInstancePid();
    }
    logMessage("other pid %d", static_cast<int>(otherPid));
    bool finished = otherPid == 0 || !activate || activateWithinBoundedTime(otherPid);
    logMessage("exiting");
    // The unfinished activation may hold a lock of the window libraries,
    // which their detach in ExitProcess would wait for.
    if (!finished)
        fatalExitAbruptly(0);
    fatalExit(0);
}

struct WindowSearch {
    DWORD processId;
    const User32Calls *user32;
};

BOOL CALLBACK activateIfOwnedBy(HWND window, LPARAM parameter) {
    const WindowSearch *search = reinterpret_cast<const WindowSearch *>(parameter);
    const User32Calls *user32 = search->user32;
    DWORD owner = 0;
    user32->GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !user32->IsWindowVisible(window))
        return TRUE;
    logMessage("found window %p", window);
    if (user32->IsIconic(window)) {
        logMessage("restore");
        user32->ShowWindow(window, SW_RESTORE);
    }
    logMessage("foreground");
    user32->SetForegroundWindow(window);
    logMessage("popup");
    user32->SetForegroundWindow(user32->GetLastActivePopup(window));
    logMessage("done");
    return TRUE;
}

}  // namespace

InstanceSemaphore checkSingleInstance(const Settings &settings, bool serviceWorker) {
    std::string path = instancePath();
    InstancePrefix prefix = namespacePrefix(settings);
    std::string name = semaphoreNameOf(prefix.text, path);
    if (!settings.flag(record::kSingleInstance))
        return createNumberedSemaphore(name, prefix);
    logMessage("single instance mode");
    DWORD error;
    InstanceSemaphore semaphore;
    semaphore.handle.reset(createInstanceSemaphore(name, prefix, &error, semaphore.name));
    logSemaphore(semaphore, error);
    if (error == ERROR_ALREADY_EXISTS && serviceWorker && settings.flag(record::kServiceWorkerIgnoresInstance)) {
        // The Service Control Manager runs one copy of a service already, and
        // anyone may create the name first: keeping the service down with it
        // must not work. The object stays open so console copies see it.
        logError("another instance holds %S; the service worker runs all the same", semaphore.name.c_str());
    } else if (error == ERROR_ALREADY_EXISTS) {
        semaphore.handle.reset();
        // Anyone may create the name first; a worker that ended with 0 would
        // look like a clean stop to the host, and recovery would never run.
        if (serviceWorker) {
            logError("another instance holds %S; the service worker ends with exit code 1", semaphore.name.c_str());
            fatalExit(1);
        }
        handOverToRunningInstance(settings.flag(record::kActivateInstance));
    }
    registerInstancePid();
    return semaphore;
}

void registerInstancePid() {
    RegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kInstancePidKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.receive(),
                        nullptr) != ERROR_SUCCESS)
        return;
    DWORD processId = GetCurrentProcessId();
    RegSetValueExA(key.get(), instancePath().c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE *>(&processId),
                   sizeof processId);
}

uint32_t readInstancePid() {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kInstancePidKey, 0, KEY_READ, key.receive()) != ERROR_SUCCESS)
        return 0;
    DWORD processId = 0;
    DWORD size = sizeof processId;
    LONG status = RegQueryValueExA(key.get(), instancePath().c_str(), nullptr, nullptr,
                                   reinterpret_cast<BYTE *>(&processId), &size);
    return status == ERROR_SUCCESS && size == sizeof processId ? processId : 0;
}

void activateInstanceWindows(uint32_t processId) {
    User32Calls user32;
    if (!loadUser32Calls(&user32))
        return;
    WindowSearch search{processId, &user32};
    user32.EnumWindows(activateIfOwnedBy, reinterpret_cast<LPARAM>(&search));
}
