#include "common/user32_calls.h"

#include <atomic>

namespace {

template <typename Function>
bool lookUp(HMODULE module, const char *name, Function *function) {
    *function = reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    return *function != nullptr;
}

// Two threads may load at once; each table is complete before it is
// published, and the one that loses the race is merely never freed.
std::atomic<const User32Calls *> loadedCalls{nullptr};

}  // namespace

const User32Calls *user32Calls() {
    if (const User32Calls *calls = loadedCalls.load(std::memory_order_acquire))
        return calls;
    HMODULE module = LoadLibraryW(L"user32.dll");
    if (module == nullptr)
        return nullptr;
    User32Calls calls;
    bool complete = lookUp(module, "MessageBoxW", &calls.MessageBoxW) &&
                    lookUp(module, "EnumWindows", &calls.EnumWindows) &&
                    lookUp(module, "GetWindowThreadProcessId", &calls.GetWindowThreadProcessId) &&
                    lookUp(module, "IsWindowVisible", &calls.IsWindowVisible) &&
                    lookUp(module, "IsIconic", &calls.IsIconic) &&
                    lookUp(module, "ShowWindow", &calls.ShowWindow) &&
                    lookUp(module, "SetForegroundWindow", &calls.SetForegroundWindow) &&
                    lookUp(module, "GetLastActivePopup", &calls.GetLastActivePopup);
    if (!complete)
        return nullptr;
    const User32Calls *published = new User32Calls(calls);
    loadedCalls.store(published, std::memory_order_release);
    return published;
}
