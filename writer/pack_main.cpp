// pellux-pack: writes the configuration block onto a launcher executable.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "writer/block_writer.h"
#include "writer/project_file.h"

namespace {

const char kUsage[] =
    "Usage: pellux-pack --stub LAUNCHER.exe --config PROJECT.toml --output SERVICE.exe\n"
    "\n"
    "Writes a configured launcher: LAUNCHER.exe with everything after its last\n"
    "section replaced by the configuration block described in PROJECT.toml.\n"
    "\n"
    "PROJECT.toml:\n"
    "  [records]          config record id = text, integer or boolean\n"
    "  [messages]         message id = text (replaces the built-in text)\n"
    "  [[locale]]         name = \"de\" and a [locale.messages] table; applied\n"
    "                     when the user's locale begins with the name\n"
    "  [[embed]]          source = \"dist/app.jar\" (relative to PROJECT.toml) and\n"
    "                     optionally name = \"lib/app.jar\": a file the launcher\n"
    "                     extracts into its temporary directory before Java starts;\n"
    "                     records 2002 and 2003 are written from these entries\n";

// Written next to the target and renamed, so a failure leaves no output file.
bool writeFileAtomically(const std::string &path, const std::string &bytes) {
    std::string temporary = path + ".partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out || !out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !out.flush()) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

int failWith(const std::string &message) {
    std::cerr << "pellux-pack: " << message << "\n";
    return 1;
}

}  // namespace

int main(int argc, char **argv) {
    std::string stubPath, configPath, outputPath;
    for (int i = 1; i < argc; i++) {
        std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (i + 1 >= argc)
            return failWith("option " + option + " needs a value\n" + kUsage);
        if (option == "--stub")
            stubPath = argv[++i];
        else if (option == "--config")
            configPath = argv[++i];
        else if (option == "--output")
            outputPath = argv[++i];
        else
            return failWith("unknown option " + option + "\n" + kUsage);
    }
    if (stubPath.empty() || configPath.empty() || outputPath.empty())
        return failWith(std::string("--stub, --config and --output are required\n") + kUsage);

    std::string stub, project;
    if (!readWholeFile(stubPath, &stub))
        return failWith("cannot read the launcher " + stubPath);
    if (!readWholeFile(configPath, &project))
        return failWith("cannot read the project file " + configPath);
    BlockContent content;
    std::string error;
    if (!readProjectFile(configPath, project, &content, &error))
        return failWith(error);
    std::string launcher;
    if (!buildConfiguredLauncher(stub, content, &launcher, &error))
        return failWith(stubPath + ": " + error);
    if (!writeFileAtomically(outputPath, launcher))
        return failWith("cannot write " + outputPath);
    return 0;
}
