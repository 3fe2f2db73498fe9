// The few user32.dll functions the launcher needs, looked up when used.
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
    decltype(&::GetThreadDesktop) GetThreadDesktop;
    decltype(&::SetThreadDesktop) SetThreadDesktop;
};

// Loads user32.dll (it then stays loaded) and fills the table; false when it
// or one of the functions cannot be had.
bool loadUser32Calls(User32Calls *calls);

#endif
