#include "common/user32_calls.h"

namespace {

template <typename Function>
bool lookUp(HMODULE module, const char *name, Function *function) {
    *function = reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    return *function != nullptr;
}

}  // namespace

bool loadUser32Calls(User32Calls *calls) {
    HMODULE module = LoadLibraryW(L"user32.dll");
    if (module == nullptr)
        return false;
    return lookUp(module, "MessageBoxW", &calls->MessageBoxW) && lookUp(module, "EnumWindows", &calls->EnumWindows) &&
           lookUp(module, "GetWindowThreadProcessId", &calls->GetWindowThreadProcessId) &&
           lookUp(module, "IsWindowVisible", &calls->IsWindowVisible) && lookUp(module, "IsIconic", &calls->IsIconic) &&
           lookUp(module, "ShowWindow", &calls->ShowWindow) &&
           lookUp(module, "SetForegroundWindow", &calls->SetForegroundWindow) &&
           lookUp(module, "GetLastActivePopup", &calls->GetLastActivePopup) &&
           lookUp(module, "GetThreadDesktop", &calls->GetThreadDesktop) &&
           lookUp(module, "SetThreadDesktop", &calls->SetThreadDesktop);
}
