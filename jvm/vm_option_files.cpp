#include "jvm/vm_option_files.h"

#include <windows.h>

#include <vector>

#include "common/capacities.h"
#include "common/records.h"
#include "common/split_command_line.h"
#include "common/text.h"
#include "config/settings.h"
#include "config/locale.h"
#include "diagnostics/log.h"
#include "jvm/launch_context.h"
#include "jvm/vm_option_list.h"
#include "jvm/vm_option_rules.h"
#include "paths/expand_variables.h"
#include "paths/path_utils.h"
#include "paths/variable_rules.h"

namespace {

// Far beyond any real configuration; keeps a wild count from reading record
// ids past the end of their range.
const int32_t kMaxVersionLines = 1000;

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

}  // namespace

// The exe's path with its last four characters (".exe") replaced, then with
// the suffix appended; the log shows both attempts.
FILE *VmOptionReader::openVmOptionsBeside(const std::wstring &executable) {
    std::wstring name = executable.substr(0, executable.size() >= 4 ? executable.size() - 4 : 0) + L".vmoptions";
    FILE *file = _wfopen(name.c_str(), L"rt");
    logMessage("vmoptions2: exe %s file: %s, file: %p", executable.c_str(), name.c_str(), file);
    if (file == nullptr) {
        name = executable + L".vmoptions";
        file = _wfopen(name.c_str(), L"rt");
        logMessage("vmoptions: opts2: %s, file: %p", name.c_str(), file);
    }
    if (file != nullptr)
        defaultVmOptionsPath_ = name;
    return file;
}

std::unique_ptr<VmOptionLines> VmOptionReader::openInclude(const std::wstring &includingFile,
                                                           const std::wstring &name, std::wstring &path) {
    std::vector<wchar_t> expanded(kPathCapacity);
    copyText(expanded.data(), expanded.size(), name.c_str());
    expandVariables(context_.places, expanded.data(), expanded.size(), ExpandMode::Argument);
    logMessage("after exp from %s %s", expanded.data(), name.c_str());
    std::vector<wchar_t> resolved(kPathCapacity);
    resolveAgainstExecutable(resolved.data(), resolved.size(), expanded.data(), DirectoryForm::Long,
                             includingFile.empty() ? nullptr : includingFile.c_str());
    FILE *file = _wfopen(resolved.data(), L"rt");
    logMessage("adding vmoptions from (%p) <%s> (%s)", file, resolved.data(), expanded.data());
    path = resolved.data();
    if (file == nullptr)
        return nullptr;
    return std::unique_ptr<VmOptionLines>(new StdioLines(file));
}

std::wstring VmOptionReader::identity(const std::wstring &path) {
    std::vector<wchar_t> fullPath(kPathCapacity);
    getFullPath(fullPath.data(), kPathCapacity, path.c_str(), DirectoryForm::Long, false);
    return fullPath.data();
}

// Widened byte by byte, variables expanded for an option.
std::wstring VmOptionReader::lineEntry(const std::string &line) {
    std::vector<wchar_t> text(kExpansionLimit);
    widenBytes(text.data(), text.size(), line.c_str());
    expandVariables(context_.places, text.data(), text.size(), ExpandMode::Option);
    return text.data();
}

void VmOptionReader::addEntry(VmOptionEntryForm form, const std::wstring &entry, const std::wstring &rest) {
    ClassPathOverrides &overrides = context_.classPathOverrides;
    switch (form) {
    case VmOptionEntryForm::ClassPath: overrides.replacement = toNarrowPath(rest.c_str()); break;
    case VmOptionEntryForm::ClassPathPrepend: overrides.prepend = toNarrowPath(rest.c_str()); break;
    case VmOptionEntryForm::ClassPathAppend: overrides.append = toNarrowPath(rest.c_str()); break;
    case VmOptionEntryForm::Option: context_.vmOptions.push_back(toNarrowPath(entry.c_str())); break;
    case VmOptionEntryForm::IncludeOptions: break;  // the walk follows includes itself
    }
}

void VmOptionReader::addVersionSpecificOptions(const Settings &settings) {
    const char *version = context_.places.runtime.version;
    int32_t count = settings.integer(record::kVersionOptionCount);
    if (count <= 0)
        return;
    logMessage("check %d version specific vm option lines for %S", count, version);
    if (version[0] == '\0')
        return;
    if (count > kMaxVersionLines) {
        logError("only the first %d version specific vm option lines are checked", kMaxVersionLines);
        count = kMaxVersionLines;
    }
    int major = majorJavaVersion(version);
    for (int32_t i = 0; i < count; i++) {
        std::string condition = settings.text(record::versionCondition(i));
        bool holds = versionConditionHolds(condition.c_str(), version, major);
        logMessage("checking version %S %d", condition.c_str(), holds ? 1 : 0);
        if (!holds)
            continue;
        wchar_t options[kTextCapacity];
        settings.text(record::versionOptions(i), options, kTextCapacity);
        logMessage("adding specific %s", options);
        expandVariables(context_.places, options, kTextCapacity, ExpandMode::Option);
        StringList tokens;
        splitCommandLine(options, tokens);
        addVmOptionTokens(tokens);
        return;
    }
}

void VmOptionReader::addLocaleOptions(const Settings &settings, const StringList &arguments) {
    LocaleCodes codes = localeCodes(settings.locale);
    const char *language = codes.language.empty() ? nullptr : codes.language.c_str();
    const char *country = codes.country.empty() ? nullptr : codes.country.c_str();
    for (const std::wstring &entry : localeOptionEntries(arguments, language, country))
        addVmOptionEntry(nullptr, entry);
}

FILE *VmOptionReader::openDefaultVmOptionsFile() {
    FILE *file = openVmOptionsBeside(getExecutablePath());
    if (file != nullptr)
        return file;
    wchar_t moduleName[kPathCapacity];
    DWORD length = GetModuleFileNameW(nullptr, moduleName, kPathCapacity);
    if (length == 0 || length >= kPathCapacity)
        return nullptr;
    return openVmOptionsBeside(moduleName);
}

void VmOptionReader::readVmOptionsFile(const wchar_t *path, FILE *file) {
    if (file == nullptr)
        return;
    StdioLines lines(file);
    if (path != nullptr)
        walk_.readFile(path, path, lines);
    else
        walk_.readFile(defaultVmOptionsPath_, std::wstring(), lines);
}

void VmOptionReader::addVmOptionEntry(const wchar_t *path, const std::wstring &entry) {
    walk_.addEntry(path != nullptr ? path : std::wstring(), entry);
}

void VmOptionReader::addVmOptionTokens(const StringList &tokens) {
    for (const std::wstring &entry : joinVmOptionTokens(tokens))
        addVmOptionEntry(nullptr, entry);
}

void VmOptionReader::addConfiguredVmOptions(const Settings &settings, const StringList &arguments) {
    wchar_t text[kTextCapacity];
    settings.text(record::kVmParameters, text, kTextCapacity);
    expandVariables(context_.places, text, kTextCapacity, ExpandMode::Option);
    StringList tokens;
    splitCommandLine(text, tokens);
    logMessage("adding options");
    addVmOptionTokens(tokens);
    addVersionSpecificOptions(settings);
    addLocaleOptions(settings, arguments);
}
