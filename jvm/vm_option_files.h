// VM options from the configuration (record 123 and the version-specific
// lines), from the ".vmoptions" file beside the executable and the files it
// includes, and from "-J" and locale arguments. Every entry adds one option,
// sets a class path override or includes another file.
#ifndef PELLUX_JVM_VM_OPTION_FILES_H
#define PELLUX_JVM_VM_OPTION_FILES_H

#include <cstdio>
#include <memory>
#include <string>

#include "common/string_list.h"
#include "config/settings.h"
#include "jvm/vm_option_walk.h"

struct LaunchContext;

// Adds to one context's options and class path overrides; one reader per
// assembly, so that its include-cycle check spans every file it reads.
class VmOptionReader : private VmOptionFiles {
public:
    explicit VmOptionReader(LaunchContext &context) : context_(context), walk_(*this) {}

    // "App.vmoptions" beside "App.exe", else "App.exe.vmoptions"; null when neither opens.
    FILE *openDefaultVmOptionsFile();
    // Reads the open file line by line and closes it; path is the file's own
    // path (null for the default file), against which its includes resolve. A
    // file that is already being read (an include cycle) is refused.
    void readVmOptionsFile(const wchar_t *path, FILE *file);
    // path: the file holding the entry, null when it comes from elsewhere.
    void addVmOptionEntry(const wchar_t *path, const std::wstring &entry);
    void addVmOptionTokens(const StringList &tokens);
    // Record 123, the first matching version-specific line, the locale options.
    void addConfiguredVmOptions(const Settings &settings, const StringList &arguments);

private:
    std::unique_ptr<VmOptionLines> openInclude(const std::wstring &includingFile, const std::wstring &name,
                                               std::wstring &path) override;
    std::wstring identity(const std::wstring &path) override;
    std::wstring lineEntry(const std::string &line) override;
    void addEntry(VmOptionEntryForm form, const std::wstring &entry, const std::wstring &rest) override;

    FILE *openVmOptionsBeside(const std::wstring &executable);
    void addVersionSpecificOptions(const Settings &settings);
    void addLocaleOptions(const Settings &settings, const StringList &arguments);

    LaunchContext &context_;
    VmOptionWalk walk_;
    // The default file's own path, so an include of it by name is seen as a cycle.
    std::wstring defaultVmOptionsPath_;
};

#endif
