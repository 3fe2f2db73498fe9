#include "jvm/jvm_dll_rules.h"

#include "common/records.h"
#include "common/target.h"
#include "common/text.h"

std::vector<std::string> vmSubdirectories(const std::string &configured) {
    std::vector<std::string> names;
    if (!configured.empty())
        names.push_back(configured);
    for (const char *name : {"client", "server", "j9vm", "hotspot", "jrockit"})
        names.push_back(name);
    return names;
}

bool needsUcrtbasePreload(unsigned long majorVersion, unsigned long minorVersion) {
    return majorVersion < 6 || (majorVersion == 6 && minorVersion < 4);
}

std::string nestedJreBinDirectory(const std::string &binDirectory) { return binDirectory + "\\..\\jre\\bin"; }

std::string pathWithDirectoryInFront(const std::string &directory, const std::string &oldPath) {
    return directory + ";" + oldPath;
}

std::string composeNativeLibraryPath(const std::vector<std::string> &entries, const std::string &oldPath,
                                     size_t capacity, bool *cut) {
    std::string path;
    for (const std::string &entry : entries) {
        if (entry.empty())
            continue;
        if (!path.empty())
            path += ';';
        path += entry;
    }
    if (!path.empty() && path.back() != ';')
        path += ';';
    path += oldPath;
    bool tooLong = capacity == 0 || path.size() > capacity - 1;
    if (tooLong)
        path = cutListToLength(path, capacity == 0 ? 0 : capacity - 1);
    if (cut)
        *cut = tooLong;
    return path;
}

LoadFailureMessage loadFailureMessage(int32_t locationKind) {
    switch (locationKind) {
    case 2:
        return {forTarget(message::kJvmDamaged, message::kJvmDamaged64), LoadFailureMessage::Argument::LocationName};
    case 3:
        return {forTarget(message::kVariableJvmNotWorking, message::kVariableJvmNotWorking64),
                LoadFailureMessage::Argument::LocationName};
    case 4: return {message::kJvmNotStarted, LoadFailureMessage::Argument::None};
    default: return {message::kNoJvmFound, LoadFailureMessage::Argument::TargetBits};
    }
}
