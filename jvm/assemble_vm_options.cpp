// The option list in its first form: the launcher properties, the configured
// options (record 123, one option per token), the class path with the
// extracted archives, the runtime jar and the configured entries, and the
// options of the launch mode. Option files, "-J" arguments and the module
// path join it later.
#include "jvm/assemble_vm_options.h"

#include <windows.h>

#include "common/text.h"
#include "config/config_store.h"
#include "entry/command_line.h"
#include "entry/entry_state.h"
#include "paths/expand_variables.h"
#include "paths/path_utils.h"
#include "paths/temp_dirs.h"
#include "runtime/log.h"

namespace {

const size_t kEntryCapacity = 6000;

std::vector<JavaVMOption> optionArray;

void appendRuntimeJar(std::string &classPath) {
    char directory[kEntryCapacity];
    getConfigString(10003, directory, kEntryCapacity);
    char fullPath[kEntryCapacity];
    getFullPath(fullPath, kEntryCapacity, directory, true);
    classPath += fullPath;
    if (classPath.empty() || classPath.back() != '\\')
        classPath += '\\';
    classPath += ".zanthor\\znoruntime.jar;";
}

void appendArchivesInDirectory(std::string &classPath, const std::string &directory, const char *extension) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((directory + "\\*." + extension).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        char resolved[kEntryCapacity];
        resolveAgainstExecutable(resolved, kEntryCapacity, (directory + "\\" + entry.cFileName).c_str());
        classPath += resolved;
        classPath += ';';
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

void appendEnvironmentEntry(std::string &classPath, const char *name) {
    char value[kEntryCapacity];
    DWORD length = GetEnvironmentVariableA(name, value, kEntryCapacity);
    if (length == 0 || length >= kEntryCapacity)
        return;
    std::string text = value;
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    classPath += text;
    if (text.empty() || text.back() != ';')
        classPath += ';';
}

void appendTypedEntry(std::string &classPath, const std::string &entry) {
    char value[kEntryCapacity];
    copyText(value, kEntryCapacity, entry.c_str() + 2);
    expandVariablesA(value, kEntryCapacity);
    char resolved[kEntryCapacity];
    switch (entry[0]) {
    case 'A':
    case 'D':
        resolveAgainstExecutable(resolved, kEntryCapacity, value);
        classPath += resolved;
        classPath += ';';
        break;
    case 'E': appendEnvironmentEntry(classPath, value); break;
    case 'S':
        resolveAgainstExecutable(resolved, kEntryCapacity, value);
        appendArchivesInDirectory(classPath, resolved, "jar");
        appendArchivesInDirectory(classPath, resolved, "zip");
        break;
    default: break;
    }
}

void appendConfiguredClassPath(std::string &classPath) {
    logMessage(L"adding preconfigured classpath");
    std::string entries = getConfigStringCopy(121);
    logMessage(L"entry %S", entries.c_str());
    std::vector<std::string> kept;
    size_t position = 0;
    while (position < entries.size()) {
        std::string entry = nextToken(entries, position, ';');
        if (entry.size() >= 2)
            kept.push_back(entry);
    }
    logMessage(L"entries %d", static_cast<int>(kept.size()));
    for (const std::string &entry : kept)
        appendTypedEntry(classPath, entry);
}

void appendConfiguredOptions(VmOptionList &options) {
    wchar_t text[kEntryCapacity];
    getConfigStringW(123, text, kEntryCapacity);
    expandVariables(text, kEntryCapacity, ExpandMode::Option);
    StringList tokens;
    splitCommandLine(text, tokens);
    logMessage(L"adding options");
    for (const std::wstring &token : tokens)
        options.push_back(toNarrowPath(token.c_str()));
}

std::string classPathOption() {
    std::string classPath = "-Djava.class.path=";
    if (launcherTempDir[0] != 0) {
        appendArchivesInDirectory(classPath, launcherTempDir, "jar");
        appendArchivesInDirectory(classPath, launcherTempDir, "zip");
    }
    if (launcherFlavour == 'i')
        appendRuntimeJar(classPath);
    appendConfiguredClassPath(classPath);
    if (classPath.back() == ';')
        classPath.pop_back();
    return classPath;
}

}  // namespace

void assembleVmOptions(const std::vector<std::string> &launcherProperties, const StringList &,
                       JavaVMInitArgs &initArgs) {
    vmOptionList = launcherProperties;
    appendConfiguredOptions(vmOptionList);
    vmOptionList.push_back(classPathOption());
    appendModeOptions(vmOptionList, serviceMode, noRedirect);
    removeEmptyOptions(vmOptionList);
    fillInitArgs(vmOptionList, optionArray, initArgs);
}
