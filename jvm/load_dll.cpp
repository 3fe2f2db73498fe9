#include "jvm/load_dll.h"

#include <string>

#include "common/capacities.h"
#include "common/records.h"
#include "common/target.h"
#include "common/text.h"
#include "config/settings.h"
#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "jre/java_version.h"
#include "jre/search_jvm.h"
#include "jvm/jvm_dll_rules.h"
#include "jvm/process_environment.h"
#include "paths/path_utils.h"
#include "paths/runtime_location.h"

namespace {

typedef void *(WINAPI *AddDllDirectoryFunction)(const wchar_t *directory);
typedef BOOL(WINAPI *RemoveDllDirectoryFunction)(void *cookie);

HMODULE kernel32() { return GetModuleHandleW(L"kernel32.dll"); }

void restorePath(const std::string &oldPath, bool wasSet) {
    if (setPathEverywhere(oldPath, wasSet))
        logMessage("Setting PATH %S", oldPath.c_str());
    else
        logMessage("Setting PATH %S failed with error %d", oldPath.c_str(), static_cast<int>(GetLastError()));
}

void recordRuntimeLocation(const RuntimeSearchResult &result, RuntimeLocation &runtime) {
    std::string home(result.javaExecutable, javaExeDirLength(result.javaExecutable));
    home += "\\..";
    if (!copyText(runtime.home, kPathCapacity, home.c_str()))
        logError("runtime home cut at %d characters", static_cast<int>(kPathCapacity - 1));
    copyText(runtime.version, kVersionCapacity, result.version);
}

void showLoadFailure(const RuntimeSearchResult &result) {
    LoadFailureMessage message = loadFailureMessage(static_cast<int32_t>(result.kind));
    switch (message.argument) {
    case LoadFailureMessage::Argument::TargetBits: showMessage(message.id, kTargetBitsText); break;
    case LoadFailureMessage::Argument::LocationName: showMessage(message.id, result.locationName); break;
    case LoadFailureMessage::Argument::None: showMessage(message.id); break;
    }
}

}  // namespace

std::wstring loadFailureText(const RuntimeSearchResult &result) {
    if (result.kind == RuntimeLocationKind::None)
        return messageText(message::kNoJvmFound, kTargetBitsText);
    LoadFailureMessage message = loadFailureMessage(static_cast<int32_t>(result.kind));
    switch (message.argument) {
    case LoadFailureMessage::Argument::TargetBits: return messageText(message.id, kTargetBitsText);
    case LoadFailureMessage::Argument::LocationName: return messageText(message.id, widenBytes(result.locationName).c_str());
    case LoadFailureMessage::Argument::None: break;
    }
    return messageText(message.id, nullptr);
}

bool LoadDLL(const Settings &settings, RunPlaces &places, RuntimeSearchWatch &watch, bool showErrors,
             LoadedJvm &loaded) {
    logMessage("LoadDLL (%d, %S, %d)", showErrors ? 1 : 0, static_cast<const char *>(nullptr), 0);
    RuntimeSearchResult &result = loaded.search;
    HMODULE module = searchJvm(settings, places, watch, result, loadJvmFromJavaExe);
    if (result.kind == RuntimeLocationKind::None) {
        logError("No JVM found");
        if (showErrors)
            showMessage(message::kNoJvmFound, kTargetBitsText);
        return false;
    }
    recordRuntimeLocation(result, places.runtime);
    if (module == nullptr)
        logError("Could not get DLL-Handle.");
    if (resolveCreateJavaVM(module, loaded)) {
        logMessage("Loading of JVM-DLL successful");
        return true;
    }
    logError("Could not load functions");
    if (showErrors)
        showLoadFailure(result);
    return false;
}

HMODULE loadJvmFromJavaExe(const Settings &settings, RuntimeLocation &runtime, const char *javaExecutable) {
    logMessage("Trying to load JVM-DLL from %S", javaExecutable);
    std::string binDirectory(javaExecutable, javaExeDirLength(javaExecutable));
    HMODULE module = loadJvmFromBinDir(settings, runtime, binDirectory.c_str());
    if (module != nullptr)
        return module;
    // A development kit may carry its VM only in the nested runtime.
    return loadJvmFromBinDir(settings, runtime, nestedJreBinDirectory(binDirectory).c_str());
}

HMODULE loadJvmFromBinDir(const Settings &settings, RuntimeLocation &runtime, const char *binDirectory) {
    DllDirectoryCookie cookie = addDllSearchDirectory(settings, binDirectory);
    preloadUcrtbase(binDirectory);
    // The VM's own libraries (and the application's natives) resolve through PATH.
    unsigned long size;
    bool wasSet;
    std::string oldPath = environmentValue("PATH", &size, &wasSet);
    std::string newPath = pathWithDirectoryInFront(binDirectory, oldPath);
    if (setPathEverywhere(newPath, true))
        logMessage("Setting PATH %d %S", static_cast<int>(size), newPath.c_str());
    else
        logMessage("Setting PATH %S failed with error %d", newPath.c_str(), static_cast<int>(GetLastError()));
    char configured[200];
    settings.text(record::kPreferredVmType, configured, sizeof configured);
    for (const std::string &subdirectory : vmSubdirectories(configured)) {
        HMODULE module = tryJvmDll(binDirectory, subdirectory.c_str(), runtime);
        if (module != nullptr)
            return module;
    }
    removeDllSearchDirectory(cookie);
    restorePath(oldPath, wasSet);
    return nullptr;
}

HMODULE tryJvmDll(const char *binDirectory, const char *subdirectory, RuntimeLocation &runtime) {
    std::string name = std::string(binDirectory) + "\\" + subdirectory + "\\jvm.dll";
    bool exists = pathExists(name.c_str());
    logMessage("Trying %S (exists %d)", name.c_str(), exists ? 1 : 0);
    // Its dependencies are looked for beside it first.
    // Narrow: the runtime's paths are narrow, as the VM takes them.
    HMODULE module = LoadLibraryExA(name.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) {
        if (exists)
            logMessage("Failed with error code %d", static_cast<int>(GetLastError()));
        return nullptr;
    }
    copyText(runtime.jvmBinDirectory, kPathCapacity, binDirectory);
    return module;
}

void preloadUcrtbase(const char *binDirectory) {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExW(&version) || !needsUcrtbasePreload(version.dwMajorVersion, version.dwMinorVersion))
        return;
    std::string fullName = std::string(binDirectory) + "\\ucrtbase.dll";
    if (!pathExists(fullName.c_str()))
        return;
    logMessage("Preloading ucrtbase.dll 4");
    // The system's copy where there is one, else the runtime's; never a copy
    // that the current directory or PATH happens to offer.
    // Narrow: joined with the runtime's narrow path below.
    char systemDirectory[kPathCapacity];
    UINT length = GetSystemDirectoryA(systemDirectory, kPathCapacity);
    std::string systemName = length > 0 && length < kPathCapacity
                                 ? std::string(systemDirectory) + "\\ucrtbase.dll"
                                 : std::string();
    if ((systemName.empty() || LoadLibraryExA(systemName.c_str(), nullptr, 0) == nullptr) &&
        LoadLibraryExA(fullName.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH) == nullptr)
        logMessage("Could not preload ucrtbase.dll");
}

DllDirectoryCookie addDllSearchDirectory(const Settings &settings, const char *directory) {
    if (!settings.flag(record::kAddDllDirectories))
        return nullptr;
    AddDllDirectoryFunction addDllDirectory = exportedFunction<AddDllDirectoryFunction>(kernel32(), "AddDllDirectory");
    if (addDllDirectory == nullptr)
        return nullptr;
    wchar_t wide[kPathCapacity];
    UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    if (MultiByteToWideChar(codePage, 0, directory, -1, wide, kPathCapacity) == 0)
        return nullptr;
    logMessage("Adding DLL directory %s", wide);
    return addDllDirectory(wide);
}

void removeDllSearchDirectory(DllDirectoryCookie cookie) {
    if (cookie == nullptr)
        return;
    RemoveDllDirectoryFunction removeDllDirectory =
        exportedFunction<RemoveDllDirectoryFunction>(kernel32(), "RemoveDllDirectory");
    if (removeDllDirectory == nullptr)
        return;
    logMessage("Removing DLL directory");
    removeDllDirectory(cookie);
}

bool resolveCreateJavaVM(HMODULE module, LoadedJvm &loaded) {
    if (module == nullptr)
        return false;
    loaded.createJavaVM = exportedFunction<CreateJavaVMFunction>(module, "JNI_CreateJavaVM");
    return loaded.createJavaVM != nullptr;
}
