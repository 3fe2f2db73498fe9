#include "writer/service_folder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "common/pe_image.h"
#include "common/records.h"
#include "writer/host_files.h"
#include "writer/project_file.h"
#include "writer/record_texts.h"

namespace fs = std::filesystem;

namespace {

// One file of the folder: its bytes, or the file they are copied from.
struct FolderEntry {
    std::string name;
    std::string bytes;
    std::string source;
};

// "i686", "x86_64", or empty when the bytes are no PE image for either.
std::string peArchitecture(const std::string &image) {
    PeHeader header = readPeHeader(image);
    return header.status == PeHeaderStatus::Ok ? launcherArchOfMachine(header.machine) : "";
}

bool readResource(const std::string &path, const char *what, std::string *bytes, std::string *error) {
    if (readWholeFile(path, bytes))
        return true;
    *error = std::string("cannot read the ") + what + " " + path +
             " (scripts/build makes it; --resources names another directory)";
    return false;
}

bool checkJar(const std::string &path, const std::string &bytes, std::string *error) {
    if (bytes.compare(0, 4, "PK\x03\x04") == 0)
        return true;
    *error = path + " is no jar file";
    return false;
}

// A jar names its entries uncompressed, so a name's bytes show whether the
// runtime library offers readiness through its API.
// The watchdog needs the same release: its pings came with it.
bool checkReadinessApi(const BlockContent &content, const std::string &path, const std::string &bytes,
                       std::string *error) {
    if (bytes.find("com/pellux/service/ServiceState.class") != std::string::npos)
        return true;
    for (const auto &record : content.records) {
        const char *key = record.first == record::kReadyMode && record.second == "api" ? "service.ready.mode: \"api\""
                          : record.first == record::kWatchdogTimeout                 ? "service.watchdog.timeout"
                                                                                      : nullptr;
        if (key) {
            *error = std::string(key) + " needs a runtime library that offers com.pellux.service.ServiceState; " +
                     path + " is older";
            return false;
        }
    }
    return true;
}

std::string lowerAscii(std::string text) {
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The folder below which ".zanthor" lies: record 10003, relative to the
// executable; "." segments and doubled separators drop out.
bool installationFolder(const BlockContent &content, std::string *folder, std::string *error) {
    std::string value;
    for (const auto &record : content.records)
        if (record.first == record::kInstallationDirectory)
            value = record.second;
    std::string relative, normalized, problem;
    for (size_t begin = 0; begin <= value.size();) {
        size_t end = std::min(value.find_first_of("/\\", begin), value.size());
        std::string segment = value.substr(begin, end - begin);
        if (!segment.empty() && segment != ".")
            relative += (relative.empty() ? "" : "/") + segment;
        begin = end + 1;
    }
    bool absolute = !value.empty() && (value[0] == '/' || value[0] == '\\' || value.find(':') != std::string::npos);
    if (!absolute && (relative.empty() || normalizeFolderName(relative, &normalized, &problem))) {
        *folder = relative.empty() ? "" : normalized + "/";
        return true;
    }
    *error = "record 10003 (\"" + value + "\") must name a folder inside the service folder";
    return false;
}

std::string vmOptionsText(const std::string &executable, const std::vector<std::string> &lines) {
    std::string text = "# VM options of " + executable + ", one per line; read at every start.\r\n";
    for (const std::string &line : lines)
        text += line + "\r\n";
    return text;
}

// A directory source brings every file below it, under its own name.
bool addExtraFile(const FolderFile &file, std::vector<FolderEntry> &entries, std::string *error) {
    std::error_code failure;
    if (fs::is_regular_file(file.source, failure)) {
        entries.push_back(FolderEntry{file.name, "", file.source});
        return true;
    }
    if (!fs::is_directory(file.source, failure)) {
        *error = "cannot read " + file.source;
        return false;
    }
    fs::recursive_directory_iterator walk(file.source, failure), end;
    for (; !failure && walk != end; walk.increment(failure)) {
        // A link would bring whatever it points at, perhaps outside the folder.
        if (walk->is_symlink(failure)) {
            *error = walk->path().string() + " is a symbolic link; a folder to copy may hold none";
            return false;
        }
        if (!walk->is_regular_file(failure))
            continue;
        std::string relative = walk->path().lexically_relative(file.source).generic_string(), name, problem;
        if (!normalizeFolderName(file.name + "/" + relative, &name, &problem)) {
            *error = walk->path().string() + ": " + problem;
            return false;
        }
        entries.push_back(FolderEntry{name, "", walk->path().string()});
    }
    if (failure)
        *error = "cannot read the directory " + file.source + ": " + failure.message();
    return !failure;
}

// Windows sees one file where names differ only in case, and a file cannot
// also be a folder of another entry.
bool checkNamesDistinct(const std::vector<FolderEntry> &entries, std::string *error) {
    std::map<std::string, std::string> files;
    for (const FolderEntry &entry : entries)
        if (!files.emplace(lowerAscii(entry.name), entry.name).second) {
            *error = "\"" + entry.name + "\" would be written twice into the folder";
            return false;
        }
    for (const FolderEntry &entry : entries)
        for (size_t slash = entry.name.find('/'); slash != std::string::npos; slash = entry.name.find('/', slash + 1))
            if (files.count(lowerAscii(entry.name.substr(0, slash)))) {
                *error = "\"" + entry.name.substr(0, slash) + "\" would be both a file and a folder";
                return false;
            }
    return true;
}

std::string launcherPathOf(const FolderSources &sources, const std::string &arch) {
    return sources.stub.empty() ? sources.resources + "/" + arch + "/pellux.exe" : sources.stub;
}

bool gatherEntries(const PackageProject &project, const FolderSources &sources, std::vector<FolderEntry> &entries,
                   std::string &arch, std::string *error) {
    std::string launcher, helper, jar, executable, zanthor, configured;
    if (!readLauncherFiles(sources, &launcher, &arch, &helper, error) ||
        !readResource(sources.resources + "/znoruntime.jar", "Java runtime library", &jar, error) ||
        !checkJar(sources.resources + "/znoruntime.jar", jar, error) ||
        !checkReadinessApi(project.content, sources.resources + "/znoruntime.jar", jar, error) ||
        !executableNameOf(project, &executable, error) || !installationFolder(project.content, &zanthor, error))
        return false;
    if (!buildConfiguredLauncher(launcher, project.content, &configured, error)) {
        *error = launcherPathOf(sources, arch) + ": " + *error;
        return false;
    }
    zanthor += ".zanthor/";
    const FolderPlan &plan = project.folder;
    entries.push_back(FolderEntry{executable, configured, ""});
    if (plan.hasVmOptionsFile)
        entries.push_back(FolderEntry{executable.substr(0, executable.size() - 4) + ".vmoptions",
                                      vmOptionsText(executable, plan.vmOptionLines), ""});
    entries.push_back(FolderEntry{zanthor + "znoruntime.jar", jar, ""});
    entries.push_back(FolderEntry{zanthor + "znoinst.dll", helper, ""});
    if (!plan.preferredRuntime.empty())
        entries.push_back(FolderEntry{zanthor + "pref_jre.cfg", plan.preferredRuntime + "\r\n", ""});
    for (const FolderFile &file : plan.files)
        if (!addExtraFile(file, entries, error))
            return false;
    return checkNamesDistinct(entries, error);
}

bool writeEntry(const fs::path &root, const FolderEntry &entry, std::string *error) {
    fs::path target = root / entry.name;
    std::error_code failure;
    fs::create_directories(target.parent_path(), failure);
    if (!failure && !entry.source.empty())
        fs::copy_file(entry.source, target, failure);
    if (failure) {
        *error = "cannot write " + entry.name + ": " + failure.message();
        return false;
    }
    if (entry.source.empty()) {
        std::ofstream out(target, std::ios::binary);
        if (!out.write(entry.bytes.data(), static_cast<std::streamsize>(entry.bytes.size())) || !out.flush()) {
            *error = "cannot write " + entry.name;
            return false;
        }
    }
    return true;
}

// A fresh directory beside path, with the permissions a new directory gets.
bool makeSiblingDirectory(const fs::path &path, const char *suffix, fs::path *made, std::string *error) {
    std::string pattern = (path.parent_path() / ("." + path.filename().string() + suffix + "-XXXXXX")).string();
    if (!makeFreshDirectory(&pattern)) {
        *error = "cannot create a directory beside " + path.string();
        return false;
    }
    *made = pattern;
    return true;
}

// An existing folder is taken over only when empty, or when it is a service
// folder and replacing was asked for.
bool checkExistingFolder(const fs::path &path, bool replace, std::string *error) {
    std::error_code failure;
    if (!fs::exists(fs::symlink_status(path, failure)))
        return true;
    if (!fs::is_directory(fs::symlink_status(path, failure))) {
        *error = path.string() + " exists and is not a directory";
        return false;
    }
    if (fs::is_empty(path, failure))
        return true;
    if (!replace) {
        *error = path.string() + " exists and is not empty; --replace replaces a service folder";
        return false;
    }
    if (!fs::is_directory(path / ".zanthor", failure)) {
        *error = path.string() + " holds no .zanthor folder, so it is no service folder; not replacing it";
        return false;
    }
    return true;
}

// The finished staging directory takes the folder's place; an old folder is
// moved aside first and removed only once the new one is in place.
bool moveIntoPlace(const fs::path &staging, const fs::path &path, std::string *error) {
    std::error_code failure;
    fs::path old;
    bool existed = fs::exists(fs::symlink_status(path, failure));
    failure.clear();
    if (existed && !makeSiblingDirectory(path, ".old", &old, error))
        return false;
    if (existed)
        fs::rename(path, old, failure);
    if (!failure)
        fs::rename(staging, path, failure);
    if (failure) {
        *error = "cannot move the new folder to " + path.string() + ": " + failure.message();
        std::error_code ignored;
        if (existed && !fs::exists(path, ignored))
            fs::rename(old, path, ignored);
        fs::remove_all(old, ignored);
        return false;
    }
    if (existed)
        fs::remove_all(old, failure);
    return true;
}

}  // namespace

bool readLauncherFiles(const FolderSources &sources, std::string *launcher, std::string *arch,
                       std::string *helperLibrary, std::string *error) {
    // Without a stub the resources' launcher of the asked architecture is
    // taken; a stub brings its own unless one was asked for.
    std::string wanted = sources.arch.empty() && sources.stub.empty() ? "x86_64" : sources.arch;
    std::string launcherPath = launcherPathOf(sources, wanted);
    if (!readResource(launcherPath, "launcher", launcher, error))
        return false;
    *arch = peArchitecture(*launcher);
    if (arch->empty() || (!wanted.empty() && *arch != wanted)) {
        *error = launcherPath + " is no " + (wanted.empty() ? "i686 or x86_64" : wanted) + " Windows executable";
        return false;
    }
    std::string helperPath = sources.resources + "/" + *arch + "/znoinst.dll";
    if (!readResource(helperPath, "helper library", helperLibrary, error))
        return false;
    if (peArchitecture(*helperLibrary) != *arch) {
        *error = helperPath + " is no " + *arch + " library like the launcher";
        return false;
    }
    return true;
}

bool executableNameOf(const PackageProject &project, std::string *name, std::string *error) {
    *name = project.folder.executableName;
    for (const auto &record : project.content.records)
        if (name->empty() && record.first == record::kServiceName && !record.second.empty() && !hasFileNameCharacter(record.second))
            *name = record.second + ".exe";
    if (name->empty())
        *error = "the project names no executable: set service.name or service.executable";
    return !name->empty();
}

bool writeServiceFolder(const PackageProject &project, const FolderSources &sources, const std::string &path,
                        bool replace, FolderReport *report, std::string *error) {
    std::vector<FolderEntry> entries;
    std::string arch;
    fs::path folder = fs::absolute(fs::path(path)).lexically_normal();
    if (folder.filename().empty())
        folder = folder.parent_path();
    std::error_code failure;
    if (!gatherEntries(project, sources, entries, arch, error) || !checkExistingFolder(folder, replace, error))
        return false;
    fs::create_directories(folder.parent_path(), failure);
    fs::path staging;
    if (failure || !makeSiblingDirectory(folder, ".partial", &staging, error)) {
        if (failure)
            *error = "cannot create " + folder.parent_path().string() + ": " + failure.message();
        return false;
    }
    for (const FolderEntry &entry : entries)
        if (!writeEntry(staging, entry, error)) {
            fs::remove_all(staging, failure);
            return false;
        }
    if (!moveIntoPlace(staging, folder, error)) {
        fs::remove_all(staging, failure);
        return false;
    }
    report->arch = arch;
    report->files.clear();
    for (const FolderEntry &entry : entries)
        report->files.push_back(entry.name);
    return true;
}
