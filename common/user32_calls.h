// The few user32.dll functions the launcher needs, looked up when first used.
// Loading user32 costs more at start-up than everything else the launcher
// does before the VM, and only a message box or the hand-over to a running
// copy's window ever needs it.
#ifndef PELLUX_COMMON_USER32_CALLS_H
#define PELLUX_COMMON_USER32_CALLS_H

#include <windows.h>

struct User32Calls {
    decltype(&::MessageBoxW) MessageBoxW;
    decltype(&::EnumWindows) EnumWindows;
    decltype(&::GetWindowThreadProcessId) GetWindowThreadProcessId;
    decltype(&::IsWindowVisible) IsWindowVisible;
    decltype(&::IsIconic) IsIconic;
    decltype(&::ShowWindow) ShowWindow;
    decltype(&::SetForegroundWindow) SetForegroundWindow;
    decltype(&::GetLastActivePopup) GetLastActivePopup;
};

// Loads user32.dll on the first call; null when it or one of the functions
// cannot be had. The table lives as long as the process.
const User32Calls *user32Calls();

#endif
