#include "writer/launcher_choice.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "common/pe_image.h"
#include "common/records.h"

namespace fs = std::filesystem;

namespace {

// A runtime home's file by its path inside the home ("bin/java.exe"): the
// file on this machine, or empty when the home has none.
using HomeFiles = std::function<std::string(const std::string &relative)>;

struct RuntimeMachine {
    std::string what;  // "the bundled runtime jre"
    std::string file;  // the file read, on this machine
    uint16_t machine = 0;
};

class FileBytes : public PeByteSource {
public:
    explicit FileBytes(const std::string &path) : in_(path, std::ios::binary) {}
    bool isOpen() const { return in_.is_open(); }
    size_t readAt(uint64_t offset, unsigned char *buffer, size_t size) override {
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(offset));
        if (!in_)
            return 0;
        in_.read(reinterpret_cast<char *>(buffer), static_cast<std::streamsize>(size));
        return static_cast<size_t>(in_.gcount());
    }

private:
    std::ifstream in_;
};

std::string describeMachine(uint16_t machine) {
    return peMachineName(machine) + " (" + launcherArchOfMachine(machine) + ")";
}

bool readMachine(const std::string &path, uint16_t *machine, std::string *error) {
    FileBytes bytes(path);
    if (!bytes.isOpen()) {
        *error = "cannot read " + path;
        return false;
    }
    PeHeader header = readPeHeader(bytes);
    if (header.status != PeHeaderStatus::Ok) {
        *error = path + " " + peHeaderProblem(header.status);
        return false;
    }
    if (*launcherArchOfMachine(header.machine) == 0) {
        *error = path + " is built for " + peMachineName(header.machine) +
                 "; the launchers run an x86 (i686) or x64 (x86_64) Java only";
        return false;
    }
    *machine = header.machine;
    return true;
}

// Its java.exe decides, where the launcher looks for it: jre\bin before bin.
// The VM libraries beside it must agree, or the runtime cannot work at all.
bool readRuntimeHome(const std::string &what, const HomeFiles &files, RuntimeMachine *runtime, std::string *error) {
    std::string bin = "jre/bin";
    std::string javaExe = files(bin + "/java.exe");
    if (javaExe.empty()) {
        bin = "bin";
        javaExe = files(bin + "/java.exe");
    }
    if (javaExe.empty()) {
        *error = what + " holds no bin/java.exe";
        return false;
    }
    *runtime = RuntimeMachine{what, javaExe, 0};
    if (!readMachine(javaExe, &runtime->machine, error))
        return false;
    for (const char *vm : {"client", "server"}) {
        std::string jvmDll = files(bin + "/" + vm + "/jvm.dll");
        uint16_t machine = 0;
        if (!jvmDll.empty() && !readMachine(jvmDll, &machine, error))
            return false;
        if (!jvmDll.empty() && machine != runtime->machine) {
            *error = jvmDll + " is built for " + describeMachine(machine) + " but " + javaExe + " for " +
                     describeMachine(runtime->machine) + "; no launcher can run " + what;
            return false;
        }
    }
    return true;
}

bool sameName(const std::string &a, const std::string &b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return tolower(static_cast<unsigned char>(x)) == tolower(static_cast<unsigned char>(y));
           });
}

// Whether name lies below folder ("jre/bin" below "jre"); the rest goes to rest.
bool isBelow(const std::string &name, const std::string &folder, std::string *rest) {
    if (name.size() <= folder.size() + 1 || name[folder.size()] != '/' ||
        !sameName(name.substr(0, folder.size()), folder))
        return false;
    *rest = name.substr(folder.size() + 1);
    return true;
}

// The file on this machine that the folder will hold at path, or empty.
std::string sourceInFolder(const std::vector<FolderFile> &files, const std::string &path) {
    std::string found, rest;
    std::error_code failure;
    for (const FolderFile &file : files) {
        if (sameName(file.name, path) && fs::is_regular_file(file.source, failure))
            found = file.source;
        else if (isBelow(path, file.name, &rest) && fs::is_regular_file(fs::path(file.source) / rest, failure))
            found = (fs::path(file.source) / rest).string();
    }
    return found;
}

// Whether the folder will hold anything at or below the directory.
bool folderHolds(const std::vector<FolderFile> &files, const std::string &directory) {
    std::string rest;
    std::error_code failure;
    for (const FolderFile &file : files)
        if (sameName(file.name, directory) || isBelow(file.name, directory, &rest) ||
            (isBelow(directory, file.name, &rest) && fs::is_directory(fs::path(file.source) / rest, failure)))
            return true;
    return false;
}

// A search or preferred path relative to the executable, as a folder path;
// false for absolute paths, variables and paths that leave the folder.
bool folderPathOf(const std::string &path, std::string *folderPath) {
    folderPath->clear();
    if (path.empty() || path[0] == '\\' || path[0] == '/' || path.find_first_of(":$%") != std::string::npos)
        return false;
    for (size_t begin = 0; begin <= path.size();) {
        size_t end = std::min(path.find_first_of("/\\", begin), path.size());
        std::string segment = path.substr(begin, end - begin);
        if (segment == "..")
            return false;
        if (!segment.empty() && segment != ".")
            *folderPath += (folderPath->empty() ? "" : "/") + segment;
        begin = end + 1;
    }
    return !folderPath->empty();
}

HomeFiles filesInFolder(const std::vector<FolderFile> &files, const std::string &home) {
    return [&files, home](const std::string &relative) { return sourceInFolder(files, home + "/" + relative); };
}

HomeFiles filesOnThisMachine(const std::string &home) {
    return [home](const std::string &relative) {
        std::error_code failure;
        fs::path file = fs::path(home) / relative;
        return fs::is_regular_file(file, failure) ? file.string() : std::string();
    };
}

std::string searchSequenceOf(const BlockContent &content) {
    std::string sequence;
    for (const auto &record : content.records)
        if (record.first == record::kSearchSequence)
            sequence = record.second;
    return sequence;
}

// The preferred runtime, where the tool can read it; *unreadable names it otherwise.
bool surveyPreferred(const FolderPlan &plan, std::vector<RuntimeMachine> &runtimes, std::string *unreadable,
                     std::string *error) {
    const std::string &given = plan.preferredRuntimeGiven;
    std::string home;
    std::error_code failure;
    RuntimeMachine runtime;
    std::string what = "the preferred runtime " + given;
    if (folderPathOf(given, &home) && folderHolds(plan.files, home)) {
        if (!readRuntimeHome(what, filesInFolder(plan.files, home), &runtime, error))
            return false;
    } else if (!given.empty() && fs::is_directory(given, failure)) {
        if (!readRuntimeHome(what, filesOnThisMachine(given), &runtime, error))
            return false;
    } else {
        *unreadable = given;
        return true;
    }
    runtimes.push_back(runtime);
    return true;
}

bool surveyBundled(const FolderPlan &plan, const BlockContent &content, std::vector<RuntimeMachine> &runtimes,
                   std::string *error) {
    std::string sequence = searchSequenceOf(content), home;
    for (size_t begin = 0; begin < sequence.size();) {
        size_t end = std::min(sequence.find(';', begin), sequence.size());
        std::string entry = sequence.substr(begin, end - begin);
        begin = end + 1;
        if (entry.size() < 2 || entry[0] != 'B' || !folderPathOf(entry.substr(1), &home) ||
            !folderHolds(plan.files, home))
            continue;
        RuntimeMachine runtime;
        if (!readRuntimeHome("the bundled runtime " + home, filesInFolder(plan.files, home), &runtime, error))
            return false;
        runtimes.push_back(runtime);
    }
    return true;
}

std::string evidence(const RuntimeMachine &runtime) {
    return runtime.what + ": " + runtime.file + " is " + describeMachine(runtime.machine);
}

bool decide(const ArchRequest &request, const std::vector<RuntimeMachine> &runtimes, const std::string &unreadable,
            LauncherChoice *choice, std::string *error) {
    std::string arch = request.arch;
    if (arch == "auto" && !runtimes.empty())
        arch = launcherArchOfMachine(runtimes[0].machine);
    for (const RuntimeMachine &runtime : runtimes) {
        if (launcherArchOfMachine(runtime.machine) == arch)
            continue;
        if (request.arch == "auto")
            *error = "no launcher runs both " + evidence(runtimes[0]) + ", and " + evidence(runtime);
        else
            *error = request.origin + " contradicts " + evidence(runtime) + "; leave the choice to the tool or ask for " +
                     launcherArchOfMachine(runtime.machine);
        return false;
    }
    choice->arch = arch == "auto" ? "x86_64" : arch;
    if (request.arch != "auto")
        choice->reason = "chosen by " + request.origin;
    else if (!runtimes.empty())
        choice->reason = "matches " + evidence(runtimes[0]);
    else
        choice->reason = std::string("the default: no runtime in the folder to match") +
                         (unreadable.empty() ? "" : " and the preferred runtime " + unreadable + " is not readable here") +
                         "; Java on Windows is 64-bit, --arch i686 takes a 32-bit Java";
    return true;
}

}  // namespace

bool chooseLauncher(const FolderPlan &plan, const BlockContent &content, const ArchRequest &request,
                    LauncherChoice *choice, std::string *error) {
    std::vector<RuntimeMachine> runtimes;
    std::string unreadable;
    if (!surveyPreferred(plan, runtimes, &unreadable, error) || !surveyBundled(plan, content, runtimes, error))
        return false;
    return decide(request, runtimes, unreadable, choice, error);
}
