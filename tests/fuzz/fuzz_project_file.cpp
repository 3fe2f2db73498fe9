// The packaging tool reads a TOML project written by hand: any text must be
// read or refused with "name:line: message", never crash; what it accepts
// must make a block the launcher reads back record for record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/read_back.h"
#include "tests/host/fake_executable.h"
#include "writer/msi_project.h"
#include "writer/project_file.h"
#include "writer/wix_source.h"

namespace {

std::string fixedLocale() { return "en"; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    // Embedded sources resolve beside the project: a directory with nothing in it.
    std::string text = input.rest();
    PackageProject project;
    std::string error;
    if (!readPackageProject("/nonexistent/fuzz.toml", text, &project, &error)) {
        if (error.empty())
            abort();
        return 0;
    }
    // An [msi] table is planned and written, or refused naming its key.
    MsiPackage package;
    std::vector<std::string> files = {"Fuzz.exe", "Fuzz.vmoptions", ".zanthor/pref_jre.cfg", "lib/a.jar"};
    if (planMsiPackage("fuzz.toml", project.msi, project.content, "x86_64", files, &package, &error)) {
        if (wixSource(package).find("</Wix>") == std::string::npos)
            abort();
    } else if (error.find("fuzz.toml") != 0) {
        abort();
    }
    std::string launcher;
    if (!buildConfiguredLauncher(fakeExecutable(0x600), project.content, &launcher, &error))
        return 0;
    uint32_t offset = 0;
    Settings store = readBackBlock(launcher, fixedLocale, &offset);
    for (const auto &record : project.content.records)
        if (store.records[record.first] != record.second)
            abort();
    return 0;
}
