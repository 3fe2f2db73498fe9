// The VM's options in the order it receives them: launcher properties,
// configured and version-specific options, locale options, the default option
// file, "-J" arguments, class path and module path, the options of the launch
// mode; module options joined with their values, argument files expanded.
#include "jvm/assemble_vm_options.h"

#include <windows.h>

#include "common/capacities.h"
#include "common/records.h"
#include "common/text.h"
#include "common/win32_handles.h"
#include "config/settings.h"
#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "jvm/expand_argument_files.h"
#include "jvm/launch_context.h"
#include "jvm/launcher_properties.h"
#include "jvm/process_environment.h"
#include "jvm/vm_option_files.h"
#include "jvm/vm_option_rules.h"
#include "paths/expand_variables.h"
#include "paths/path_utils.h"
#include "paths/temp_dirs.h"

namespace {

class WindowsPathEntrySystem : public PathEntrySystem {
public:
    WindowsPathEntrySystem(const Settings &settings, const RunPlaces &places)
        : settings_(settings), places_(places) {}

    std::string expand(const std::string &text) override {
        std::string expanded = text;
        expandVariablesInString(places_, expanded);
        return expanded;
    }

    std::string resolve(const std::string &path) override {
        char resolved[kPathCapacity];
        resolveAgainstExecutable(resolved, kPathCapacity, path.c_str());
        return resolved;
    }

    bool exists(const std::string &path) override { return pathExists(path.c_str()); }

    std::vector<std::string> findFiles(const std::string &pattern) override {
        std::vector<std::string> names;
        WIN32_FIND_DATAA entry;
        // Narrow: class path entries reach the VM as narrow texts.
        FindHandle search(FindFirstFileA(pattern.c_str(), &entry));
        if (!search)
            return names;
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(entry.cFileName);
        } while (FindNextFileA(search.get(), &entry));
        return names;
    }

    std::optional<std::string> environmentValue(const std::string &name) override {
        bool defined = false;
        std::string value = ::environmentValue(name.c_str(), nullptr, &defined);
        if (!defined)
            return std::nullopt;
        return value;
    }

    std::string applicationDirectory() override {
        char directory[kPathCapacity];
        settings_.text(record::kInstallationDirectory, directory, kPathCapacity);
        char fullPath[kPathCapacity];
        getFullPath(fullPath, kPathCapacity, directory, true);
        return fullPath;
    }

private:
    const Settings &settings_;
    const RunPlaces &places_;
};

// "-J-Xmx1g" reaches the VM as "-Xmx1g".
void addVmArguments(VmOptionReader &reader, const StringList &arguments) {
    for (const std::wstring &argument : arguments)
        if (startsWith(argument, std::wstring(L"-J")))
            reader.addVmOptionEntry(nullptr, argument.substr(2));
}

void appendPathOptions(const Settings &settings, LaunchContext &context) {
    VmOptionList &options = context.vmOptions;
    PathTextSources sources;
    sources.modulePathEntries = settings.text(record::kModulePath);
    sources.classPathEntries = settings.text(record::kClassPath);
    sources.moduleMainClass = settings.flag(record::kMainInModule);
    sources.runtimeJar = context.flavour == 'i';
    sources.launcherTempDir = context.places.tempDir.path;
    sources.overrides = context.classPathOverrides;
    WindowsPathEntrySystem system(settings, context.places);
    PathTexts texts = buildPathTexts(system, sources);
    if (texts.failure.messageId != 0)
        fatalMessage(texts.failure.messageId, texts.failure.argument.c_str());
    options.push_back(texts.classPath);
    if (texts.modulePath.empty())
        return;
    options.push_back("--module-path=" + texts.modulePath);
    ModuleOptions modules = buildModuleOptions(sources.moduleMainClass, settings.text(record::kMainClass),
                                               launcherRuntimeModule(context.flavour));
    if (!modules.addOpens.empty())
        options.push_back(modules.addOpens);
    options.push_back(modules.addModules);
}

}  // namespace

void assembleVmOptions(const Settings &settings, LaunchContext &context,
                       const std::vector<std::string> &launcherProperties, const StringList &arguments,
                       JavaVMInitArgs &initArgs) {
    VmOptionList &options = context.vmOptions;
    options = launcherProperties;
    VmOptionReader reader(context);
    reader.addConfiguredVmOptions(settings, arguments);
    if (settings.flag(record::kDefaultVmOptionsFile)) {
        FILE *file = reader.openDefaultVmOptionsFile();
        logMessage("default vmoptions file: %p", file);
        reader.readVmOptionsFile(nullptr, file);
    }
    if (settings.flag(record::kJavaOptionArguments))
        addVmArguments(reader, arguments);
    appendPathOptions(settings, context);
    appendModeOptions(options, context.role.serviceMode, context.role.noRedirect);
    mergeModuleOptions(options);
    if (hasArgumentFileOption(options))
        expandArgumentFiles(options, context.places.runtime.jvmBinDirectory);
    removeEmptyOptions(options);
    fillInitArgs(options, context.optionArray, initArgs);
}
