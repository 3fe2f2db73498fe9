#include <windows.h>

#include "config/locale.h"
#include "diagnostics/log.h"

// Windows versions before Vista have no interface language of their own;
// their regional format then decides.
static LANGID userLanguageId() {
    LANGID id = LOWORD(GetUserDefaultLCID());
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel) {
        typedef LANGID(WINAPI * GetUILanguage)();
        GetUILanguage getUiLanguage =
            reinterpret_cast<GetUILanguage>(reinterpret_cast<void *>(GetProcAddress(kernel, "GetUserDefaultUILanguage")));
        if (getUiLanguage)
            id = getUiLanguage();
    }
    return id;
}

std::string detectLocale() {
    std::string locale = "en";
    const char *name = findLocaleName(userLanguageId());
    if (name) {
        locale = name;
        logMessage("language/country is %S", name);
    }
    return locale;
}
