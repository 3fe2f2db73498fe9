#include "paths/path_utils.h"

#include <windows.h>

#include "common/capacities.h"
#include "common/format.h"
#include "common/private_security.h"
#include "common/text.h"
#include "common/win32_handles.h"
#include "diagnostics/log.h"
#include "process/child_process.h"

namespace {

const DWORD kCommandExitWaitMs = 2000;
// cmd.exe answers at once; a command that writes nothing for this long never will.
const DWORD kCommandOutputWaitMs = 10000;

// Where this executable lives, worked out once when first asked: a cache,
// as the executable does not move while it runs. Process-wide because the
// narrow form may cost a command shell, and the fatal path and the control
// handlers (which carry no context) resolve paths too.
struct ExecutablePaths {
    bool pathsKnown;
    wchar_t longPath[kPathCapacity];
    std::string *narrowPath;
    bool directoriesKnown;
    char directoryA[kPathCapacity];
    wchar_t directoryNarrowDerived[kPathCapacity];
    wchar_t directoryLong[kPathCapacity];
};
ExecutablePaths executable;

UINT fileCodePage() { return AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

bool acceptableNarrowPath(const std::string &path, bool lossy) { return !lossy && hasExeExtension(path.c_str()); }

// Narrow: the executable's narrow path is what the VM is given; lossless, else the 8.3 form.
std::string narrowFromCandidates(const wchar_t *longPath) {
    bool lossy;
    std::string candidate = toNarrowPath(longPath, &lossy);
    if (acceptableNarrowPath(candidate, lossy))
        return candidate;
    wchar_t shortPath[kPathCapacity];
    DWORD length = GetShortPathNameW(longPath, shortPath, kPathCapacity);
    if (length > 0 && length < kPathCapacity) {
        candidate = toNarrowPath(shortPath, &lossy);
        if (acceptableNarrowPath(candidate, lossy))
            return candidate;
    }
    candidate = shortPathViaCommandShell(longPath);
    if (!candidate.empty() && hasExeExtension(candidate.c_str()))
        return candidate;
    char moduleName[kPathCapacity];
    char shortName[kPathCapacity];
    length = GetModuleFileNameA(nullptr, moduleName, kPathCapacity);
    if (length == 0 || length >= kPathCapacity)
        return std::string();
    length = GetShortPathNameA(moduleName, shortName, kPathCapacity);
    return length > 0 && length < kPathCapacity ? std::string(shortName) : std::string();
}

void initExecutablePaths() {
    if (executable.pathsKnown)
        return;
    executable.pathsKnown = true;
    wchar_t moduleName[kPathCapacity];
    DWORD moduleLength = GetModuleFileNameW(nullptr, moduleName, kPathCapacity);
    if (moduleLength == 0 || moduleLength >= kPathCapacity)
        moduleName[0] = 0;
    DWORD length = GetLongPathNameW(moduleName, executable.longPath, kPathCapacity);
    DWORD error = GetLastError();
    if (length == 0 || length >= kPathCapacity)
        copyText(executable.longPath, kPathCapacity, moduleName);
    logMessage("init file name %s %s %d %d", moduleName, executable.longPath, static_cast<int>(length),
               static_cast<int>(error));
    std::string narrow = narrowFromCandidates(executable.longPath);
    collapseBackslashes(executable.longPath);
    char collapsed[kPathCapacity];
    if (copyText(collapsed, kPathCapacity, narrow.c_str())) {
        collapseBackslashesA(collapsed, kPathCapacity);
        narrow = collapsed;
    }
    executable.narrowPath = new std::string(narrow);
}

void cutAtDirectory(wchar_t *path) { path[directoryPartLength(path)] = 0; }
void cutAtDirectory(char *path) { path[directoryPartLength(path)] = 0; }

void initExecutableDirectories() {
    if (executable.directoriesKnown)
        return;
    executable.directoriesKnown = true;
    const char *narrow = getExecutablePathA();
    // Narrow: the directory of the narrow executable path, for texts the VM takes.
    DWORD length = GetFullPathNameA(narrow, kPathCapacity, executable.directoryA, nullptr);
    if (length == 0 || length >= kPathCapacity)
        copyText(executable.directoryA, kPathCapacity, narrow);
    cutAtDirectory(executable.directoryA);
    widenBytes(executable.directoryNarrowDerived, kPathCapacity, executable.directoryA);
    length = GetFullPathNameW(getExecutablePath(), kPathCapacity, executable.directoryLong, nullptr);
    if (length == 0 || length >= kPathCapacity)
        copyText(executable.directoryLong, kPathCapacity, getExecutablePath());
    cutAtDirectory(executable.directoryLong);
}

template <typename Char>
void joinResolved(Char *out, size_t capacity, const Char *directory, const Char *path) {
    std::basic_string<Char> joined = directory;
    joined += path;
    if (!copyText(out, capacity, joined.c_str()))
        logError("path cut at %d characters", static_cast<int>(capacity - 1));
}

}  // namespace

std::string toNarrowPath(const wchar_t *path, bool *lossy) {
    UINT codePage = fileCodePage();
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    const char *defaultChar = "?";
    int size = WideCharToMultiByte(codePage, flags, path, -1, nullptr, 0, defaultChar, nullptr);
    if (size == 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        flags = 0;
        defaultChar = nullptr;
        size = WideCharToMultiByte(codePage, flags, path, -1, nullptr, 0, nullptr, nullptr);
    }
    if (size <= 0) {
        if (lossy)
            *lossy = true;
        return std::string();
    }
    std::string narrow(static_cast<size_t>(size), '\0');
    BOOL usedDefault = FALSE;
    WideCharToMultiByte(codePage, flags, path, -1, &narrow[0], size, defaultChar,
                        defaultChar ? &usedDefault : nullptr);
    narrow.resize(static_cast<size_t>(size) - 1);
    if (lossy)
        *lossy = usedDefault != FALSE;
    return narrow;
}

std::wstring toWidePath(const char *path) {
    int size = MultiByteToWideChar(fileCodePage(), 0, path, -1, nullptr, 0);
    if (size <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(fileCodePage(), 0, path, -1, &wide[0], size);
    wide.resize(static_cast<size_t>(size) - 1);
    return wide;
}

// Hands out the found entry's last-write time.
static bool takeSearchResult(const FindHandle &search, const FILETIME &written, uint64_t *lastWriteTime) {
    if (!search)
        return false;
    if (lastWriteTime)
        *lastWriteTime = (static_cast<uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    return true;
}

bool findFileTime(const wchar_t *path, uint64_t *lastWriteTime) {
    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileW(path, &found));
    return takeSearchResult(search, found.ftLastWriteTime, lastWriteTime);
}

// Narrow: for runtime and class path entries, which the VM takes narrow.
bool findFileTime(const char *path, uint64_t *lastWriteTime) {
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA(path, &found));
    return takeSearchResult(search, found.ftLastWriteTime, lastWriteTime);
}

bool pathExists(const wchar_t *path) { return isDriveRoot(path) || findFileTime(path, nullptr); }
bool pathExists(const char *path) { return isDriveRoot(path) || findFileTime(path, nullptr); }

bool createFoldersPrivately(const std::wstring &path) {
    std::wstring folder = path;
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    if (folder.empty() || pathExists(folder.c_str()))
        return true;
    size_t slash = folder.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 0 && !createFoldersPrivately(folder.substr(0, slash + 1)))
        return false;
    PrivateSecurity security(FILE_ALL_ACCESS, 0);
    if (security.attributes() && CreateDirectoryW(folder.c_str(), security.attributes()))
        return true;
    DWORD error = GetLastError();
    logMessage("could not make the output folder %s (%d)", folder.c_str(), static_cast<int>(error));
    return error == ERROR_ALREADY_EXISTS;
}

void collapseBackslashesA(char *path, size_t capacity) {
    std::wstring wide = toWidePath(path);
    if (wide.empty())
        return;  // nothing to do, or a text that did not convert and stays as it is
    collapseBackslashes(&wide[0]);
    bool lossy;
    std::string narrow = toNarrowPath(wide.c_str(), &lossy);
    if (!lossy)
        copyText(path, capacity, narrow.c_str());
}

void lowercasePathA(char *path, size_t capacity) {
    std::wstring wide = toWidePath(path);
    if (wide.empty())
        return;
    lowercasePath(&wide[0]);
    bool lossy;
    std::string narrow = toNarrowPath(wide.c_str(), &lossy);
    if (!lossy)
        copyText(path, capacity, narrow.c_str());
}

const wchar_t *getExecutablePath() {
    initExecutablePaths();
    return executable.longPath;
}

const char *getExecutablePathA() {
    initExecutablePaths();
    return executable.narrowPath->c_str();
}

std::string shortPathViaCommandShell(const wchar_t *path) {
    wchar_t windowsDirectory[kPathCapacity];
    UINT directoryLength = GetWindowsDirectoryW(windowsDirectory, kPathCapacity);
    if (directoryLength == 0 || directoryLength >= kPathCapacity)
        windowsDirectory[0] = 0;
    // cmd.exe would expand "%NAME%" inside the quotes, /D keeps its AutoRun
    // commands from running with the launcher's rights, and /V:OFF keeps a
    // registry default from expanding "!NAME!" in the path.
    if (wcschr(path, L'%')) {
        logMessage("not asking cmd.exe for a path with %%: %s", path);
        return std::string();
    }
    return runShortPathCommand(formatString(L"%s\\system32\\cmd.exe /D /V:OFF /C for %%I in (\"%s\") do @echo %%~sI",
                                            windowsDirectory, path));
}

std::string runShortPathCommand(std::wstring commandLine) {
    logMessage("executing %s", commandLine.c_str());
    CapturedChild command;
    ChildOptions options;
    options.captureOutput = true;
    options.creationFlags = CREATE_NO_WINDOW;
    if (!command.start(commandLine, options)) {
        logMessage("could not execute cmd.exe");
        return std::string();
    }
    // Everything the command writes until it closes its output, at most a buffer full.
    std::string output = command.readOutput(kPathCapacity, false, kCommandOutputWaitMs);
    logMessage("finished reading from cmd.exe %d \"%S\"", static_cast<int>(output.size()), output.c_str());
    // The end of the output can be seen a moment before the exit code is
    // set (Wine shows this); a command that is done has ended well within this.
    DWORD exitCode = command.waitForExit(kCommandExitWaitMs);
    logMessage("Exit Code %d", static_cast<int>(exitCode));
    if (exitCode == kStillActive) {
        logMessage("Terminating process");
        command.terminate();
        return std::string();
    }
    std::string result = shortPathFromCommandOutput(output, exitCode);
    if (!result.empty())
        logMessage("Using %S", result.c_str());
    return result;
}

void resolveAgainstExecutable(wchar_t *out, size_t capacity, const wchar_t *path, DirectoryForm form,
                              const wchar_t *baseFile) {
    if (capacity == 0)
        return;
    if (!isRelativePath(path)) {
        joinResolved(out, capacity, L"", path);
    } else if (baseFile) {
        wchar_t directory[kPathCapacity];
        DWORD length = GetFullPathNameW(baseFile, kPathCapacity, directory, nullptr);
        if (length == 0 || length >= kPathCapacity)
            copyText(directory, kPathCapacity, baseFile);
        cutAtDirectory(directory);
        joinResolved(out, capacity, static_cast<const wchar_t *>(directory), path);
    } else {
        initExecutableDirectories();
        joinResolved(out, capacity,
                     static_cast<const wchar_t *>(form == DirectoryForm::Long ? executable.directoryLong
                                                                              : executable.directoryNarrowDerived),
                     path);
    }
    collapseBackslashes(out);
}

// Narrow forms: for texts on their way to the VM.
void resolveAgainstExecutable(char *out, size_t capacity, const char *path, const char *baseFile) {
    if (capacity == 0)
        return;
    if (!isRelativePath(path)) {
        joinResolved(out, capacity, "", path);
    } else if (baseFile) {
        char directory[kPathCapacity];
        DWORD length = GetFullPathNameA(baseFile, kPathCapacity, directory, nullptr);
        if (length == 0 || length >= kPathCapacity)
            copyText(directory, kPathCapacity, baseFile);
        cutAtDirectory(directory);
        joinResolved(out, capacity, static_cast<const char *>(directory), path);
    } else {
        initExecutableDirectories();
        joinResolved(out, capacity, static_cast<const char *>(executable.directoryA), path);
    }
    collapseBackslashesA(out, capacity);
}

void getFullPath(wchar_t *out, size_t capacity, const wchar_t *path, DirectoryForm form, bool keepCase) {
    if (capacity == 0)
        return;
    wchar_t resolved[kPathCapacity];
    resolveAgainstExecutable(resolved, kPathCapacity, path, form);
    DWORD length = GetFullPathNameW(resolved, static_cast<DWORD>(capacity), out, nullptr);
    if (length == 0 || length >= capacity)
        copyText(out, capacity, resolved);
    if (!keepCase)
        lowercasePath(out);
    collapseBackslashes(out);
}

void getFullPath(char *out, size_t capacity, const char *path, bool keepCase) {
    if (capacity == 0)
        return;
    char resolved[kPathCapacity];
    resolveAgainstExecutable(resolved, kPathCapacity, path);
    DWORD length = GetFullPathNameA(resolved, static_cast<DWORD>(capacity), out, nullptr);
    if (length == 0 || length >= capacity)
        copyText(out, capacity, resolved);
    if (!keepCase)
        lowercasePathA(out, capacity);
    collapseBackslashesA(out, capacity);
}
