#include "jvm/process_environment.h"

#include <windows.h>

#include <cstdlib>

// Narrow: PATH gets the runtime's narrow directories, as the VM's own loader reads them.
std::string environmentValue(const char *name, unsigned long *size, bool *defined) {
    DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
    if (size)
        *size = needed;
    if (defined)
        *defined = needed > 0;
    if (needed == 0)
        return std::string();
    std::string value(needed, '\0');
    DWORD length = GetEnvironmentVariableA(name, &value[0], needed);
    value.resize(length < needed ? length : 0);
    return value;
}

bool setVariableEverywhere(const char *name, const std::string &value, bool defined) {
    BOOL done = SetEnvironmentVariableA(name, defined ? value.c_str() : nullptr);
    DWORD error = GetLastError();
    _putenv((std::string(name) + "=" + value).c_str());
    SetLastError(error);
    return done != FALSE;
}

bool setPathEverywhere(const std::string &value, bool defined) { return setVariableEverywhere("PATH", value, defined); }
