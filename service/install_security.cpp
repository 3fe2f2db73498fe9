#include "service/install_security.h"

#include <algorithm>

#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <vector>

#include "common/capacities.h"
#include "common/format.h"
#include "common/records.h"
#include "common/win32_handles.h"
#include "config/settings.h"
#include "paths/path_rules.h"
#include "paths/path_utils.h"
#include "service/security_rules.h"

namespace {

std::wstring sidText(PSID sid) {
    LocalMemory<wchar_t *> text;
    if (sid == nullptr || !ConvertSidToStringSidW(sid, text.receive()))
        return std::wstring();
    return text.get();
}

void readAllowedEntries(PACL dacl, PathSecurity *security) {
    for (DWORD i = 0; i < dacl->AceCount; i++) {
        void *entry = nullptr;
        if (!GetAce(dacl, i, &entry))
            continue;
        const ACE_HEADER *header = static_cast<const ACE_HEADER *>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        const ACCESS_ALLOWED_ACE *allowed = static_cast<const ACCESS_ALLOWED_ACE *>(entry);
        AccessEntry description;
        description.mask = allowed->Mask;
        description.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
        description.sid = sidText(const_cast<DWORD *>(&allowed->SidStart));
        security->allowed.push_back(description);
    }
}

// False when the path does not exist: what is not there cannot be changed
// without writing to its folder, which is checked itself.
bool readPathSecurity(const std::wstring &path, bool aboveFolder, PathSecurity *security) {
    security->path = path;
    security->aboveFolder = aboveFolder;
    const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    std::vector<unsigned char> buffer(4096);
    DWORD needed = 0;
    while (!GetFileSecurityW(path.c_str(), wanted, buffer.data(), static_cast<DWORD>(buffer.size()), &needed)) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return false;
        if (error != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size() || needed > 1024 * 1024) {
            security->readError = error;
            return true;
        }
        buffer.resize(needed);
    }
    PSECURITY_DESCRIPTOR descriptor = buffer.data();
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) {
        security->readError = GetLastError() ? GetLastError() : ERROR_INVALID_SECURITY_DESCR;
        return true;
    }
    security->owner = sidText(owner);
    security->nullDacl = !present || dacl == nullptr;
    if (dacl != nullptr)
        readAllowedEntries(dacl, security);
    return true;
}

std::wstring userSidOfProcess() {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive()))
        return std::wstring();
    union {
        TOKEN_USER user;
        unsigned char bytes[512];
    } answer;
    DWORD needed = 0;
    if (!GetTokenInformation(token.get(), TokenUser, &answer, sizeof answer, &needed))
        return std::wstring();
    return sidText(answer.user.User.Sid);
}

// A redirected output file as install can tell it: a relative name lies
// in the executable's folder when that is the working directory; a name
// with variables is known only at the start.
std::wstring outputFilePath(const Settings &settings, FlagSetting redirect, TextSetting name,
                            const std::wstring &folder) {
    wchar_t text[kTextCapacity], workingDirectory[kTextCapacity];
    settings.text(name, text, kTextCapacity);
    settings.text(record::kWorkingDirectory, workingDirectory, kTextCapacity);
    std::wstring file = text;
    if (!settings.flag(redirect) || file.empty() || file.find_first_of(L"$%") != std::wstring::npos)
        return std::wstring();
    bool absolute = (file.size() > 1 && file[1] == L':') || file[0] == L'\\' || file[0] == L'/';
    if (absolute)
        return file;
    std::wstring current = workingDirectory;
    return current.empty() || current == L"." ? folder + file : std::wstring();
}

// Whose writes are safe besides the trusted accounts: the installing account
// and the service's own, whose writes run nothing as anyone else.
struct SafeWriters {
    std::wstring installer;
    std::wstring service;
};

// Reads the path and keeps it in found when it is at risk; false for a path
// that is not there or is safe.
bool atRisk(const std::wstring &path, bool aboveFolder, const SafeWriters &safe, PathSecurity *found) {
    *found = PathSecurity();
    if (path.empty() || !readPathSecurity(path, aboveFolder, found))
        return false;
    std::vector<AccessEntry> &allowed = found->allowed;
    allowed.erase(std::remove_if(allowed.begin(), allowed.end(),
                                 [&](const AccessEntry &entry) { return entry.sid == safe.service; }),
                  allowed.end());
    return pathRisk(*found, safe.installer) != PathRisk::kNone;
}

// What decides what the service runs, in this order: its folder, the
// executable, the runtime, class path and option files beside it, where its
// output goes (which it writes as the service), and the folders above. The
// first path at risk goes into found.
bool findPathAtRisk(const Settings &settings, const SafeWriters &safe, PathSecurity *found) {
    const wchar_t *executable = getExecutablePath();
    std::wstring folder(executable, directoryPartLength(executable));
    if (folder.empty())
        return false;
    static const wchar_t *const kBeside[] = {L"", L"jre", L"lib", L"libs", L".zanthor", L".zanthor\\pref_jre.cfg"};
    for (const wchar_t *name : kBeside)
        if (atRisk(folder + name, false, safe, found))
            return true;
    std::wstring path(executable);
    if (atRisk(path, false, safe, found))
        return true;
    path = path.substr(0, path.size() >= 4 ? path.size() - 4 : 0) + L".vmoptions";
    if (atRisk(path, false, safe, found))
        return true;
    if (settings.flag(record::kSafeOutputFiles)) {
        const FlagSetting redirects[] = {record::kRedirectError, record::kRedirectOutput};
        const TextSetting files[] = {record::kErrorFile, record::kOutputFile};
        for (int i = 0; i < 2; i++) {
            path = outputFilePath(settings, redirects[i], files[i], folder);
            if (atRisk(path, false, safe, found) ||
                atRisk(path.substr(0, directoryPartLength(path.c_str())), false, safe, found))
                return true;
        }
    }
    for (const std::wstring &above : foldersAbove(folder))
        if (atRisk(above, true, safe, found))
            return true;
    return false;
}

// icacls takes "C:\dir\" as an escaped quote; "C:\dir\." names the same.
std::wstring quotedForIcacls(const std::wstring &path) {
    return L"\"" + path + (!path.empty() && path.back() == L'\\' ? L"." : L"") + L"\"";
}

std::string riskAndRemedy(const PathSecurity &path, PathRisk risk) {
    std::wstring quoted = quotedForIcacls(path.path);
    bool folder = GetFileAttributesW(path.path.c_str()) & FILE_ATTRIBUTE_DIRECTORY;
    std::string what;
    if (risk == PathRisk::kUnreadable)
        return formatString("who may change %S could not be read (error %u); they could run code as the service. "
                            "Check its permissions with:\n  icacls %S\n",
                            path.path.c_str(), static_cast<unsigned>(path.readError), quoted.c_str());
    if (risk == PathRisk::kForeignOwner)
        what = formatString("%S belongs to %S, not to SYSTEM or the administrators; its owner may let anyone "
                            "change it and so run code as the service. Give it to the administrators, for example:\n"
                            "  icacls %S /setowner *S-1-5-32-544\n",
                            path.path.c_str(), path.owner.empty() ? L"an unknown account" : path.owner.c_str(),
                            quoted.c_str());
    else if (path.aboveFolder)
        what = formatString("users other than the administrators can rename or change %S, above the service "
                            "folder; they could run code as the service. Move the service folder where only SYSTEM "
                            "and the administrators can change it and its parents, such as under "
                            "C:\\Program Files.\n",
                            path.path.c_str());
    else
        what = formatString("users other than the administrators can write to %S; they could run code as the "
                            "service. Let only SYSTEM and the administrators write there, for example:\n"
                            "  icacls %S /inheritance:r /grant:r %s\n",
                            path.path.c_str(), quoted.c_str(),
                            folder ? "*S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX"
                                   : "*S-1-5-18:F *S-1-5-32-544:F *S-1-5-32-545:RX");
    return what;
}

}  // namespace

std::wstring currentUserSid() { return userSidOfProcess(); }

std::wstring kernelObjectOwner(HANDLE object) {
    union {
        SECURITY_DESCRIPTOR descriptor;
        unsigned char bytes[1024];
    } security;
    DWORD needed = 0;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetKernelObjectSecurity(object, OWNER_SECURITY_INFORMATION, &security, sizeof security, &needed) ||
        !GetSecurityDescriptorOwner(&security, &owner, &defaulted))
        return std::wstring();
    return sidText(owner);
}

bool folderAllowsInstall(const Settings &settings, const std::wstring &account, const std::wstring &serviceSid) {
    SafeWriters safe{currentUserSid(), serviceSid};
    PathSecurity found;
    if (!findPathAtRisk(settings, safe, &found))
        return true;
    std::string text = riskAndRemedy(found, pathRisk(found, safe.installer));
    if (settings.flag(record::kRefuseWritableFolder) && isPrivilegedAccount(account)) {
        fputs(("Not installed: " + text +
               "To install it as LocalSystem all the same, set writable_folder = \"accept\" in [service].\n")
                  .c_str(),
              stdout);
        fflush(stdout);
        return false;
    }
    // Scripts read standard output; a warning must not change it.
    fputs(("Warning: " + text).c_str(), stderr);
    fflush(stderr);
    return true;
}
