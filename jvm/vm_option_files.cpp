#include "jvm/vm_option_files.h"

#include <windows.h>

#include <vector>

#include "common/records.h"
#include "common/split_command_line.h"
#include "common/text.h"
#include "config/settings.h"
#include "config/locale.h"
#include "diagnostics/log.h"
#include "jvm/assemble_vm_options.h"
#include "jvm/vm_option_rules.h"
#include "jvm/vm_option_walk.h"
#include "paths/expand_variables.h"
#include "paths/path_utils.h"
#include "paths/runtime_location.h"
#include "paths/variable_rules.h"

ClassPathOverrides classPathOverrides;

namespace {

const size_t kOptionTextCapacity = 6000;
const size_t kPathCapacity = 6000;
// Far beyond any real configuration; keeps a wild count from reading record
// ids past the end of their range.
const int32_t kMaxVersionLines = 1000;
// The default file's own path, so an include of it by name is seen as a cycle.
std::wstring defaultVmOptionsPath;

// The exe's path with its last four characters (".exe") replaced, then with
// the suffix appended; the log shows both attempts.
FILE *openVmOptionsBeside(const std::wstring &executable) {
    std::wstring name = executable.substr(0, executable.size() >= 4 ? executable.size() - 4 : 0) + L".vmoptions";
    FILE *file = _wfopen(name.c_str(), L"rt");
    logMessage(L"vmoptions2: exe %s file: %s, file: %p", executable.c_str(), name.c_str(), file);
    if (file == nullptr) {
        name = executable + L".vmoptions";
        file = _wfopen(name.c_str(), L"rt");
        logMessage(L"vmoptions: opts2: %s, file: %p", name.c_str(), file);
    }
    if (file != nullptr)
        defaultVmOptionsPath = name;
    return file;
}

class StdioLines : public VmOptionLines {
public:
    explicit StdioLines(FILE *file) : file_(file) {}
    ~StdioLines() override { fclose(file_); }
    StdioLines(const StdioLines &) = delete;
    StdioLines &operator=(const StdioLines &) = delete;
    bool next(std::string &piece) override {
        if (fgets(buffer_.data(), static_cast<int>(buffer_.size()), file_) == nullptr)
            return false;
        piece = buffer_.data();
        return true;
    }

private:
    FILE *file_;
    std::vector<char> buffer_ = std::vector<char>(kVmOptionLinePiece + 1);
};

class DiskVmOptionFiles : public VmOptionFiles {
public:
    std::unique_ptr<VmOptionLines> openInclude(const std::wstring &includingFile, const std::wstring &name,
                                               std::wstring &path) override {
        std::vector<wchar_t> expanded(kPathCapacity);
        copyText(expanded.data(), expanded.size(), name.c_str());
        expandVariables(expanded.data(), expanded.size(), ExpandMode::Argument);
        logMessage(L"after exp from %s %s", expanded.data(), name.c_str());
        std::vector<wchar_t> resolved(kPathCapacity);
        resolveAgainstExecutable(resolved.data(), resolved.size(), expanded.data(), DirectoryForm::Long,
                                 includingFile.empty() ? nullptr : includingFile.c_str());
        FILE *file = _wfopen(resolved.data(), L"rt");
        logMessage(L"adding vmoptions from (%p) <%s> (%s)", file, resolved.data(), expanded.data());
        path = resolved.data();
        if (file == nullptr)
            return nullptr;
        return std::unique_ptr<VmOptionLines>(new StdioLines(file));
    }
    std::wstring identity(const std::wstring &path) override {
        std::vector<wchar_t> fullPath(kPathCapacity);
        getFullPath(fullPath.data(), kPathCapacity, path.c_str(), DirectoryForm::Long, false);
        return fullPath.data();
    }
    // Widened byte by byte, variables expanded for an option.
    std::wstring lineEntry(const std::string &line) override {
        std::vector<wchar_t> text(kExpansionLimit);
        widenBytes(text.data(), text.size(), line.c_str());
        expandVariables(text.data(), text.size(), ExpandMode::Option);
        return text.data();
    }
    void addEntry(VmOptionEntryForm form, const std::wstring &entry, const std::wstring &rest) override {
        switch (form) {
        case VmOptionEntryForm::ClassPath: classPathOverrides.replacement = toNarrowPath(rest.c_str()); break;
        case VmOptionEntryForm::ClassPathPrepend: classPathOverrides.prepend = toNarrowPath(rest.c_str()); break;
        case VmOptionEntryForm::ClassPathAppend: classPathOverrides.append = toNarrowPath(rest.c_str()); break;
        case VmOptionEntryForm::Option: vmOptionList.push_back(toNarrowPath(entry.c_str())); break;
        case VmOptionEntryForm::IncludeOptions: break;  // the walk follows includes itself
        }
    }
};

DiskVmOptionFiles diskFiles;
VmOptionWalk optionWalk(diskFiles);

void addVersionSpecificOptions(const Settings &settings) {
    int32_t count = settings.integer(record::kVersionOptionCount);
    if (count <= 0)
        return;
    logMessage(L"check %d version specific vm option lines for %S", count, runtimeLocation().version);
    if (runtimeLocation().version[0] == '\0')
        return;
    if (count > kMaxVersionLines) {
        logError(L"only the first %d version specific vm option lines are checked", kMaxVersionLines);
        count = kMaxVersionLines;
    }
    int major = majorJavaVersion(runtimeLocation().version);
    for (int32_t i = 0; i < count; i++) {
        std::string condition = settings.text(record::versionCondition(i));
        bool holds = versionConditionHolds(condition.c_str(), runtimeLocation().version, major);
        logMessage(L"checking version %S %d", condition.c_str(), holds ? 1 : 0);
        if (!holds)
            continue;
        wchar_t options[kOptionTextCapacity];
        settings.text(record::versionOptions(i), options, kOptionTextCapacity);
        logMessage(L"adding specific %s", options);
        expandVariables(options, kOptionTextCapacity, ExpandMode::Option);
        StringList tokens;
        splitCommandLine(options, tokens);
        addVmOptionTokens(tokens);
        return;
    }
}

void addLocaleOptions(const StringList &arguments) {
    char language[16];
    char country[16];
    bool languageKnown = getLanguageCode(language, sizeof language);
    bool countryKnown = getCountryCode(country, sizeof country);
    for (const std::wstring &entry : localeOptionEntries(arguments, languageKnown ? language : nullptr,
                                                         countryKnown ? country : nullptr))
        addVmOptionEntry(nullptr, entry);
}

}  // namespace

FILE *openDefaultVmOptionsFile() {
    FILE *file = openVmOptionsBeside(getExecutablePath());
    if (file != nullptr)
        return file;
    wchar_t moduleName[kPathCapacity];
    DWORD length = GetModuleFileNameW(nullptr, moduleName, kPathCapacity);
    if (length == 0 || length >= kPathCapacity)
        return nullptr;
    return openVmOptionsBeside(moduleName);
}

void readVmOptionsFile(const wchar_t *path, FILE *file) {
    if (file == nullptr)
        return;
    StdioLines lines(file);
    if (path != nullptr)
        optionWalk.readFile(path, path, lines);
    else
        optionWalk.readFile(defaultVmOptionsPath, std::wstring(), lines);
}

void addVmOptionEntry(const wchar_t *path, const std::wstring &entry) {
    optionWalk.addEntry(path != nullptr ? path : std::wstring(), entry);
}

void addVmOptionTokens(const StringList &tokens) {
    for (const std::wstring &entry : joinVmOptionTokens(tokens))
        addVmOptionEntry(nullptr, entry);
}

void addConfiguredVmOptions(const Settings &settings, const StringList &arguments) {
    wchar_t text[kOptionTextCapacity];
    settings.text(record::kVmParameters, text, kOptionTextCapacity);
    expandVariables(text, kOptionTextCapacity, ExpandMode::Option);
    StringList tokens;
    splitCommandLine(text, tokens);
    logMessage(L"adding options");
    addVmOptionTokens(tokens);
    addVersionSpecificOptions(settings);
    addLocaleOptions(arguments);
}
