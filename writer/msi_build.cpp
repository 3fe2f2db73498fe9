#include "writer/msi_build.h"

#include <fstream>

#include "writer/host_files.h"

namespace {

// In the work directory: wixl takes only relative sources.
bool run(const std::vector<std::string> &arguments, const std::string &directory, std::string *error) {
    std::string output;
    int status = runProgram(arguments, directory, &output);
    if (status == 0)
        return true;
    *error = arguments[0] + (status < 0 ? " could not run" : " failed (exit code " + std::to_string(status) + ")") +
             (output.empty() ? "" : ":\n" + output);
    return false;
}

}  // namespace

std::string missingMsiTools() {
    std::string missing;
    if (programOnPath("wixl").empty())
        missing = "wixl (Debian package wixl)";
    if (programOnPath("msibuild").empty())
        missing += std::string(missing.empty() ? "" : " and ") + "msibuild (Debian package msitools)";
    return missing;
}

bool buildMsiPackage(const MsiPackage &package, const std::string &directory, std::string *error) {
    std::string source = directory + "/package.wxs";
    std::ofstream out(source, std::ios::binary);
    std::string text = wixSource(package);
    if (!out.write(text.data(), static_cast<std::streamsize>(text.size())) || !out.flush()) {
        *error = "cannot write " + source;
        return false;
    }
    out.close();
    if (!run({"wixl", "-a", package.win64 ? "x64" : "x86", "-D", "ServiceFolder=folder", "-o", "package.msi",
              "package.wxs"},
             directory, error))
        return false;
    std::vector<std::string> corrections = {"msibuild", "package.msi"};
    for (const std::string &query : packageCorrections(package)) {
        corrections.push_back("-q");
        corrections.push_back(query);
    }
    return run(corrections, directory, error);
}
