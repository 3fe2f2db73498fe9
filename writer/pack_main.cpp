// pellux-pack: packages a Java application as a Windows service, as a ready
// service folder or as the configured launcher alone.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "common/pe_image.h"
#include "common/records.h"
#include "common/settings_schema.h"
#include "writer/block_writer.h"
#include "writer/host_files.h"
#include "writer/pack_main.h"
#include "writer/launcher_choice.h"
#include "writer/msi_build.h"
#include "writer/msi_project.h"
#include "writer/project_file.h"
#include "writer/record_texts.h"
#include "writer/resource_location.h"
#include "pellux_version.h"
#include "writer/service_folder.h"

namespace {

const char kUsage[] =
    "pellux-pack: package a Java application as a Windows service\n"
    "\n"
    "Usage:\n"
    "  pellux-pack PROJECT.toml --folder DIR [options]\n"
    "      Writes DIR, a ready service folder: the service executable NAME.exe,\n"
    "      NAME.vmoptions (when java.vmoptions_file is given), the Java runtime\n"
    "      library .zanthor/znoruntime.jar, the helper library .zanthor/znoinst.dll\n"
    "      and the files of [[file]] and --file. Copy DIR to the Windows machine\n"
    "      and run, as an administrator: NAME.exe /install, then /start, /status,\n"
    "      /stop, /uninstall.\n"
    "  pellux-pack PROJECT.toml --msi SERVICE.msi [--folder DIR] [options]\n"
    "      Writes a Windows Installer package of the service folder (the [msi]\n"
    "      table below; needs wixl and msibuild, Debian packages wixl and\n"
    "      msitools). msiexec /i SERVICE.msi /qn installs the folder, registers the\n"
    "      service as NAME.exe /install does and starts it when it starts\n"
    "      automatically; /x removes it. --wxs SERVICE.wxs writes its WiX source.\n"
    "  pellux-pack PROJECT.toml --output SERVICE.exe [options]\n"
    "      Writes only the configured service executable.\n"
    "\n"
    "Options:\n"
    "  --config PROJECT.toml    the project file (or give it as the first argument)\n"
    "  --arch auto|x86_64|i686  the launcher to use (overrides service.arch):\n"
    "                           x86_64 runs a 64-bit Java, i686 a 32-bit one.\n"
    "                           auto (the default) reads bin/java.exe of the\n"
    "                           runtime the folder carries ({ bundled = \"dir\" }\n"
    "                           with dir among its files) or of a preferred\n"
    "                           runtime this machine can read, and takes the\n"
    "                           launcher that runs it; without one, x86_64 (Java\n"
    "                           on Windows is 64-bit today). A choice that cannot\n"
    "                           run such a runtime is refused\n"
    "  --resources DIR          where the launchers, helper libraries and runtime\n"
    "                           jar are: DIR/i686/pellux.exe, DIR/i686/znoinst.dll,\n"
    "                           DIR/x86_64/pellux.exe, DIR/x86_64/znoinst.dll,\n"
    "                           DIR/znoruntime.jar. Default: the folder resources\n"
    "                           beside pellux-pack's own folder (as a release is\n"
    "                           extracted), else the build tree's pack-resources\n"
    "  --stub LAUNCHER.exe      use this launcher instead of the one in DIR\n"
    "  --file SOURCE[=NAME]     also copy SOURCE (a file, or a directory with all\n"
    "                           it holds) into the folder as NAME (default: its\n"
    "                           own name); may be repeated\n"
    "  --preferred-runtime DIR  the Java home the service tries first (written to\n"
    "                           .zanthor/pref_jre.cfg; overrides runtime.preferred)\n"
    "  --replace                replace DIR when it is a service folder already\n"
    "  --help                   this text\n"
    "  --version                pellux-pack's version (that of the launchers it\n"
    "                           ships)\n"
    "\n"
    "Nothing is written when something is wrong; errors name the file, the line\n"
    "and the key.\n"
    "\n"
    "The project file (TOML). Only service.name and java.main_class are required;\n"
    "the values shown are the defaults. Paths may use /\n"
    "or \\ and are relative to the service folder unless absolute; texts may refer\n"
    "to ${PELLUX_EXEDIR} (the executable's folder) and ${NAME} (an environment\n"
    "variable).\n"
    "\n";

// After the keys, which come from the schema.
const char kUsageTail[] =
    "\n"
    "  [[file]]                        # example: copied into the folder\n"
    "  source = \"build/libs\"           # relative to the project file\n"
    "  name = \"libs\"                   # default: the source's own name\n"
    "\n"
    "  [msi]                           # for --msi and --wxs\n"
    "  version = \"1.0.0\"               # required: three numbers, up to 255.255.65535\n"
    "  manufacturer = \"Acme\"           # default: the service name\n"
    "  upgrade_code = \"{GUID}\"         # default: derived from the service name\n"
    "  install_dir = \"[ProgramFiles64Folder]NAME\"  # [ProgramFilesFolder]NAME for i686\n"
    "\n"
    "  [[embed]]                       # example: carried inside the executable and\n"
    "  source = \"dist/extra.jar\"       # extracted at every start; jars and zips\n"
    "  name = \"extra.jar\"              # at the top level join the class path\n"
    "\n"
    "Raw tables for everything else (a file with only these is taken as it\n"
    "stands, without the defaults above):\n"
    "  [records]    config record id = text, integer or boolean\n"
    "  [messages]   message id = text (replaces the built-in text)\n"
    "  [[locale]]   name = \"de\" and a [locale.messages] table, applied when the\n"
    "               user's locale begins with the name\n";

// The section of a key: all before its last dot.
std::string sectionOf(const std::string &key) { return key.substr(0, key.rfind('.')); }

// One line per key of the schema, under its section, with its default.
std::string projectKeyListing() {
    std::string listing, section, previous;
    for (const SettingRow &setting : kSettingsSchema) {
        if (!setting.key || previous == setting.key)
            continue;
        previous = setting.key;
        if (sectionOf(setting.key) != section) {
            section = sectionOf(setting.key);
            listing += (listing.empty() ? "  [" : "\n  [") + section + "]\n";
        }
        std::string line = "  " + previous.substr(section.size() + 1);
        if (setting.keyDefault)
            line += " = " + std::string(setting.keyDefault);
        line.resize(line.size() < 34 ? 34 : line.size() + 1, ' ');
        std::string doc = setting.doc;
        bool number = setting.type == SettingType::kInteger || setting.type == SettingType::kClamped;
        if (number && setting.keyDefault && setting.keyDefault[0] >= '0' && setting.keyDefault[0] <= '9')
            doc += " (" + std::to_string(setting.low) + " to " + std::to_string(setting.high) + ")";
        listing += line + "# " + doc + "\n";
    }
    return listing;
}

struct PackOptions {
    std::string project, output, folder, arch, msi, wxs;
    FolderSources sources;
    std::vector<FolderFile> files;
    std::string preferredRuntime;
    bool replace = false;
};

// A service folder is written, or packaged, or both.
bool writesFolder(const PackOptions &options) {
    return !options.folder.empty() || !options.msi.empty() || !options.wxs.empty();
}

int failWith(const std::string &message) {
    std::cerr << "pellux-pack: " << message << "\n";
    return 1;
}

// SOURCE or SOURCE=NAME; the last "=" separates, names rarely hold one.
bool parseFileOption(const std::string &value, FolderFile *file, std::string *error) {
    size_t equals = value.rfind('=');
    file->source = value.substr(0, equals);
    std::string name = equals == std::string::npos ? defaultFolderName(file->source) : value.substr(equals + 1);
    if (file->source.empty()) {
        *error = "--file needs a source: --file SOURCE[=NAME]";
        return false;
    }
    return normalizeFolderName(name, &file->name, error);
}

// Returns 0 when the options are complete, else the exit code (help: 0 too,
// with done set).
int parseOptions(int argc, char **argv, PackOptions &options, bool *done) {
    *done = false;
    for (int i = 1; i < argc; i++) {
        std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::cout << kUsage << projectKeyListing() << kUsageTail;
            *done = true;
            return 0;
        }
        if (option == "--version") {
            std::cout << "pellux-pack " PELLUX_VERSION "\n";
            *done = true;
            return 0;
        }
        if (option == "--replace") {
            options.replace = true;
            continue;
        }
        if (option.compare(0, 1, "-") != 0) {
            if (!options.project.empty())
                return failWith("one project file only: " + options.project + " and " + option);
            options.project = option;
            continue;
        }
        static const char *const kValueOptions[] = {"--config", "--output", "--folder", "--stub", "--arch",
                                                     "--resources", "--preferred-runtime", "--file", "--msi", "--wxs"};
        bool known = false;
        for (const char *name : kValueOptions)
            known = known || option == name;
        if (!known)
            return failWith("unknown option " + option + " (pellux-pack --help explains)");
        if (i + 1 >= argc)
            return failWith("option " + option + " needs a value (pellux-pack --help explains)");
        std::string value = argv[++i], error;
        if (option == "--config") {
            options.project = value;
        } else if (option == "--output") {
            options.output = value;
        } else if (option == "--folder") {
            options.folder = value;
        } else if (option == "--msi") {
            options.msi = value;
        } else if (option == "--wxs") {
            options.wxs = value;
        } else if (option == "--stub") {
            options.sources.stub = value;
        } else if (option == "--arch") {
            options.arch = value;
        } else if (option == "--resources") {
            options.sources.resources = value;
        } else if (option == "--preferred-runtime") {
            options.preferredRuntime = value;
        } else if (option == "--file") {
            options.files.emplace_back();
            if (!parseFileOption(value, &options.files.back(), &error))
                return failWith("--file " + value + ": " + error);
        }
    }
    return 0;
}

int checkOptions(const PackOptions &options) {
    if (options.project.empty())
        return failWith("no project file given (pellux-pack --help explains)");
    std::vector<std::string> paths = {options.project, options.output, options.folder, options.sources.stub,
                                      options.sources.resources, options.msi, options.wxs};
    for (const FolderFile &file : options.files)
        paths.push_back(file.source);
    for (const std::string &path : paths)
        if (!hostPathProblem(path).empty())
            return failWith(hostPathProblem(path));
    if (options.output.empty() == !writesFolder(options))
        return failWith("give either --folder DIR (a service folder), --msi SERVICE.msi or --wxs SERVICE.wxs (a package "
                        "of one), or --output SERVICE.exe (the executable only)");
    if (!writesFolder(options) && (options.replace || !options.files.empty() || !options.preferredRuntime.empty()))
        return failWith("--replace, --file and --preferred-runtime belong to --folder, --msi and --wxs");
    if (options.folder.empty() && options.replace)
        return failWith("--replace belongs to --folder");
    if (!options.msi.empty() && !missingMsiTools().empty())
        return failWith("--msi needs " + missingMsiTools() + " (on Linux; scripts/setup installs them); elsewhere "
                        "write the WiX source with --wxs and build it with WiX");
    if (!options.arch.empty() && options.arch != "auto" && options.arch != "i686" && options.arch != "x86_64")
        return failWith("--arch takes auto, i686 or x86_64, not " + options.arch);
    return 0;
}

// The launcher build: --arch, else service.arch, else a stub's own, else the
// one that fits the runtime the folder carries.
bool chooseArch(const PackOptions &options, const PackageProject &project, FolderSources *sources,
                std::string *error) {
    ArchRequest request;
    if (!options.arch.empty())
        request = ArchRequest{options.arch, "--arch " + options.arch};
    else if (!project.folder.arch.empty())
        request = ArchRequest{project.folder.arch, "service.arch = \"" + project.folder.arch + "\""};
    std::string stub;
    if (request.arch == "auto" && !sources->stub.empty() && readWholeFile(sources->stub, &stub)) {
        std::string stubArch = launcherArchOfMachine(readPeHeader(stub).machine);
        if (stubArch.empty())
            return true;  // reading the launcher names the problem
        request = ArchRequest{stubArch, "--stub " + sources->stub};
    }
    // Only a folder carries runtimes and the preferred runtime's location.
    FolderPlan nothing;
    LauncherChoice choice;
    if (!chooseLauncher(writesFolder(options) ? project.folder : nothing, project.content, request, &choice, error))
        return false;
    sources->arch = choice.arch;
    std::cout << "Launcher: " << choice.arch << " (" << choice.reason << ")\n";
    return true;
}

int writeLauncherOnly(const PackOptions &options, const PackageProject &project) {
    std::string stubPath = options.sources.stub;
    if (stubPath.empty())
        stubPath = options.sources.resources + "/" + options.sources.arch + "/pellux.exe";
    std::string stub, launcher, error;
    if (!readWholeFile(stubPath, &stub))
        return failWith("cannot read the launcher " + stubPath);
    if (!buildConfiguredLauncher(stub, project.content, &launcher, &error))
        return failWith(stubPath + ": " + error);
    if (!writeFileAtomically(options.output, launcher))
        return failWith("cannot write " + options.output);
    return 0;
}

void describeFolder(const std::string &folder, const FolderReport &report) {
    const size_t shown = 20;
    std::cout << "Wrote the service folder " << folder << " (" << report.arch << " launcher):\n";
    for (size_t i = 0; i < report.files.size() && i < shown; i++)
        std::cout << "  " << report.files[i] << "\n";
    if (report.files.size() > shown)
        std::cout << "  and " << report.files.size() - shown << " more files\n";
    std::cout << "On Windows, as an administrator: " << report.files[0] << " /install, then /start\n";
}

// LocalSystem stays the default; the hint names the less privileged choices.
void hintAtTheAccount(const BlockContent &content) {
    for (const auto &record : content.records)
        if (record.first == record::kServiceAccount)
            return;
    std::cout << "The service will run as LocalSystem; service.account = \"LocalService\", \"NetworkService\" "
                 "or \"virtual\" gives it less, \"DOMAIN\\\\user\" or \"DOMAIN\\\\name$\" a domain account. Either way, "
                 "let only administrators write to its folder.\n";
}

// The command line's additions to the project's folder.
int addFolderOptions(const PackOptions &options, PackageProject &project) {
    if (!options.preferredRuntime.empty()) {
        std::string latin1;
        if (!latin1FromUtf8(options.preferredRuntime, &latin1))
            return failWith("--preferred-runtime holds a character the launcher cannot carry (it reads Latin-1)");
        project.folder.preferredRuntime = windowsPath(latin1);
        project.folder.preferredRuntimeGiven = options.preferredRuntime;
    }
    project.folder.files.insert(project.folder.files.end(), options.files.begin(), options.files.end());
    return 0;
}

// Only a launcher written from a given stub needs none of the resources.
int locateResources(PackOptions &options) {
    if (!options.sources.resources.empty() || (!writesFolder(options) && !options.sources.stub.empty()))
        return 0;
    std::vector<std::string> candidates = resourceCandidates(ownExecutableFolder());
    options.sources.resources = findResources(candidates);
    if (!options.sources.resources.empty())
        return 0;
    std::string looked;
    for (const std::string &candidate : candidates)
        looked += (looked.empty() ? "" : " and ") + candidate;
    return failWith("cannot find the launchers and the runtime jar (znoruntime.jar): looked in " +
                    (looked.empty() ? std::string("no folder (pellux-pack cannot tell where it is)") : looked) +
                    "; give --resources DIR");
}

int writeFolder(const PackOptions &options, PackageProject &project) {
    std::string error;
    FolderReport report;
    if (!writeServiceFolder(project, options.sources, options.folder, options.replace, &report, &error))
        return failWith(error);
    describeFolder(options.folder, report);
    hintAtTheAccount(project.content);
    return 0;
}

// Removes the staging directory however packaging ends.
struct StagingDirectory {
    std::string path;
    ~StagingDirectory() {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
};

bool readBuiltPackage(const std::string &path, std::string *bytes, std::string *error) {
    if (readWholeFile(path, bytes))
        return true;
    *error = "wixl wrote no package " + path;
    return false;
}

void describePackage(const PackOptions &options, const MsiPackage &package) {
    if (!options.wxs.empty())
        std::cout << "Wrote the WiX source " << options.wxs << " (build it with -D ServiceFolder=DIR, DIR the "
                  << "service folder)\n";
    if (options.msi.empty())
        return;
    std::cout << "Wrote the Windows Installer package " << options.msi << ": " << package.serviceName << " "
              << package.version << " (" << (package.win64 ? "x64" : "x86") << "), upgrade code "
              << package.upgradeCode << "\n"
              << "As an administrator: msiexec /i " << options.msi << " /qn   (msiexec /x to remove)\n";
}

// The folder is staged on its own and packaged; the outputs are written only when
// everything has succeeded.
int writePackage(const PackOptions &options, PackageProject &project) {
    std::string error;
    StagingDirectory staging;
    std::error_code failure;
    staging.path = (std::filesystem::temp_directory_path(failure) / "pellux-pack-XXXXXX").string();
    if (!makeFreshDirectory(&staging.path)) {
        staging.path.clear();
        return failWith("cannot create a staging directory in the temporary folder");
    }
    std::string folder = staging.path + "/folder";
    FolderReport report;
    MsiPackage package;
    if (!writeServiceFolder(project, options.sources, folder, false, &report, &error) ||
        !planMsiPackage(options.project, project.msi, project.content, report.arch, report.files, &package, &error))
        return failWith(error);
    std::string built;
    if (!options.msi.empty() &&
        (!buildMsiPackage(package, staging.path, &error) ||
         !readBuiltPackage(staging.path + "/package.msi", &built, &error)))
        return failWith(error);
    if (!options.folder.empty()) {
        if (!writeServiceFolder(project, options.sources, options.folder, options.replace, &report, &error))
            return failWith(error);
        describeFolder(options.folder, report);
    }
    if (!options.wxs.empty() && !writeFileAtomically(options.wxs, wixSource(package)))
        return failWith("cannot write " + options.wxs);
    if (!options.msi.empty() && !writeFileAtomically(options.msi, built))
        return failWith("cannot write " + options.msi);
    describePackage(options, package);
    hintAtTheAccount(project.content);
    return 0;
}

}  // namespace

int packMain(int argc, char **argv) {
    PackOptions options;
    bool done;
    int status = parseOptions(argc, argv, options, &done);
    if (status != 0 || done || (status = checkOptions(options)) != 0 || (status = locateResources(options)) != 0)
        return status;

    std::string text, error;
    if (!readWholeFile(options.project, &text))
        return failWith("cannot read the project file " + options.project);
    PackageProject project;
    if (!readPackageProject(options.project, text, &project, &error))
        return failWith(error);
    if (writesFolder(options) && (status = addFolderOptions(options, project)) != 0)
        return status;
    if (!chooseArch(options, project, &options.sources, &error))
        return failWith(error);
    if (!writesFolder(options))
        return writeLauncherOnly(options, project);
    return options.msi.empty() && options.wxs.empty() ? writeFolder(options, project) : writePackage(options, project);
}
