#include "runtime/native_library_path.h"

#include <windows.h>

#include <string>
#include <vector>

#include "common/capacities.h"
#include "common/records.h"
#include "common/text.h"
#include "config/settings.h"
#include "diagnostics/log.h"
#include "jvm/jvm_dll_rules.h"
#include "jvm/load_dll.h"
#include "jvm/process_environment.h"
#include "paths/expand_variables.h"
#include "paths/path_utils.h"

namespace {

std::vector<std::string> absoluteEntries(const Settings &settings, const std::string &directories) {
    std::vector<std::string> entries;
    size_t position = 0;
    while (position < directories.size()) {
        std::string entry = nextToken(directories, position, ';');
        if (entry.empty())
            continue;
        char resolved[kTextCapacity];
        resolveAgainstExecutable(resolved, kTextCapacity, entry.c_str());
        entries.push_back(resolved);
        addDllSearchDirectory(settings, resolved);
    }
    return entries;
}

}  // namespace

void prependNativeLibraryPath(const Settings &settings, const RunPlaces &places) {
    char directories[kTextCapacity];
    settings.text(record::kNativeLibraryDirectories, directories, kTextCapacity);
    logMessage("native lib dir is %S", directories);
    expandVariablesA(places, directories, kTextCapacity);
    bool cut = false;
    std::string path =
        composeNativeLibraryPath(absoluteEntries(settings, directories), environmentValue("PATH"), kNativeLibraryPathCapacity, &cut);
    if (cut)
        logError("PATH with native libs cut at %d bytes", static_cast<int>(kNativeLibraryPathCapacity - 1));
    if (setPathEverywhere(path))
        logMessage("Setting PATH (native libs) %S", path.c_str());
    else
        logMessage("Setting PATH (native libs) %S failed with error %d", path.c_str(), static_cast<int>(GetLastError()));
}
