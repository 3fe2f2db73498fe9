#include "service/install_security.h"

#include <windows.h>
#include <sddl.h>

#include <cstdio>

#include "common/format.h"
#include "common/records.h"
#include "common/win32_handles.h"
#include "config/settings.h"
#include "paths/path_rules.h"
#include "paths/path_utils.h"
#include "service/security_rules.h"

namespace {

bool entryLetsOthersWrite(const ACE_HEADER *entry, const std::wstring &serviceSid) {
    if (entry->AceType != ACCESS_ALLOWED_ACE_TYPE || (entry->AceFlags & INHERIT_ONLY_ACE))
        return false;
    const ACCESS_ALLOWED_ACE *allowed = reinterpret_cast<const ACCESS_ALLOWED_ACE *>(entry);
    LocalMemory<wchar_t *> sid;
    if (!grantsWrite(allowed->Mask) ||
        !ConvertSidToStringSidW(const_cast<DWORD *>(&allowed->SidStart), sid.receive()))
        return false;
    return !isTrustedWriter(sid.get()) && serviceSid != sid.get();
}

// A missing DACL lets everyone in; an unreadable one is not guessed at.
bool othersMayWrite(const std::wstring &folder, const std::wstring &serviceSid) {
    union {
        SECURITY_DESCRIPTOR descriptor;
        unsigned char bytes[16384];
    } security;
    DWORD needed = 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetFileSecurityW(folder.c_str(), DACL_SECURITY_INFORMATION, &security, sizeof security, &needed) ||
        !GetSecurityDescriptorDacl(&security, &present, &dacl, &defaulted))
        return false;
    if (!present || dacl == nullptr)
        return true;
    for (DWORD i = 0; i < dacl->AceCount; i++) {
        void *entry = nullptr;
        if (GetAce(dacl, i, &entry) && entryLetsOthersWrite(static_cast<ACE_HEADER *>(entry), serviceSid))
            return true;
    }
    return false;
}

}  // namespace

void warnIfFolderWritableByUsers(const std::wstring &serviceSid) {
    const wchar_t *executable = getExecutablePath();
    std::wstring folder(executable, directoryPartLength(executable));
    if (folder.empty() || !othersMayWrite(folder, serviceSid))
        return;
    fputs(formatString("Warning: users other than the administrators can write to %S; they could run code as the "
                       "service. Let only SYSTEM and the administrators write there, for example:\n"
                       "  icacls \"%S.\" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F "
                       "*S-1-5-32-545:(OI)(CI)RX\n",
                       folder.c_str(), folder.c_str())
              .c_str(),
          stdout);
    fflush(stdout);
}
