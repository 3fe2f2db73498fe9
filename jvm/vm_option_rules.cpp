#include "jvm/vm_option_rules.h"

#include <climits>
#include <cstring>
#include <cwchar>

#include "common/text.h"
#include "diagnostics/log.h"
#include "jre/java_version.h"

namespace {

bool isOptionLineSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Decimal digits up to the first other character; none give 0. Saturates
// rather than wrapping, so an absurd bound still compares sensibly.
int readBound(const char *text) {
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; text++) {
        value = value * 10 + (*text - '0');
        if (value > INT_MAX)
            value = INT_MAX;
    }
    return static_cast<int>(value);
}

bool majorVersionInRange(const char *condition, int major) {
    const char *dash = strchr(condition, '-');
    if (dash == nullptr) {
        logMessage("ERROR: expected dash");
        return false;
    }
    int minimum = readBound(condition);
    int maximum = readBound(dash + 1);
    logMessage("checking min %d max %d with %d", minimum, maximum, major);
    return minimum <= major && major <= maximum;
}

const char *const kModuleOptionNames[] = {
    "--upgrade-module-path", "--add-modules", "--limit-modules", "--add-exports",
    "--add-opens",           "--add-reads",   "--patch-module",
};

bool isModuleOptionName(const std::string &option) {
    for (const char *name : kModuleOptionNames)
        if (option == name)
            return true;
    return false;
}

}  // namespace

bool trimVmOptionLine(std::string &line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    size_t first = 0;
    while (first < line.size() && isOptionLineSpace(line[first]))
        first++;
    size_t last = line.size();
    while (last > first && isOptionLineSpace(line[last - 1]))
        last--;
    line = line.substr(first, last - first);
    return !line.empty() && line[0] != '#';
}

VmOptionEntryForm classifyVmOptionEntry(const std::wstring &entry, std::wstring &rest) {
    struct Prefix {
        const wchar_t *text;
        VmOptionEntryForm form;
    };
    static const Prefix prefixes[] = {
        {L"-include-options ", VmOptionEntryForm::IncludeOptions},
        {L"-classpath ", VmOptionEntryForm::ClassPath},
        {L"-classpath/p ", VmOptionEntryForm::ClassPathPrepend},
        {L"-classpath/a ", VmOptionEntryForm::ClassPathAppend},
    };
    for (const Prefix &prefix : prefixes) {
        size_t length = wcslen(prefix.text);
        if (entry.compare(0, length, prefix.text) == 0) {
            rest = entry.substr(length);
            return prefix.form;
        }
    }
    rest = entry;
    return VmOptionEntryForm::Option;
}

StringList joinVmOptionTokens(const StringList &tokens) {
    StringList entries;
    for (size_t i = 0; i < tokens.size(); i++) {
        if (tokens[i] == L"-include-options" && i + 1 < tokens.size()) {
            entries.push_back(tokens[i] + L" " + tokens[i + 1]);
            i++;
        } else {
            entries.push_back(tokens[i]);
        }
    }
    return entries;
}

int majorJavaVersion(const char *version) {
    JavaVersion components = parseJavaVersion(version);
    if (components.empty())
        return -1;
    if (components[0] == 1 && components.size() > 1)
        return components[1];
    return components[0];
}

// Greedy with one step of backtracking to the last "*": linear in practice
// and never recursive, whatever the pattern.
bool matchVersionPattern(const char *pattern, const char *text) {
    const char *star = nullptr;
    const char *resumeText = nullptr;
    while (*text != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resumeText = text;
        } else if (*pattern != '\0' && (*pattern == '?' || *pattern == *text)) {
            pattern++;
            text++;
        } else if (star != nullptr) {
            pattern = star + 1;
            text = ++resumeText;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        pattern++;
    return *pattern == '\0';
}

bool versionConditionHolds(const char *condition, const char *version, int major) {
    if (condition[0] == '*')
        return matchVersionPattern(condition + 1, version);
    return majorVersionInRange(condition, major);
}

StringList localeOptionEntries(const StringList &arguments, const char *language, const char *country) {
    const std::wstring prefix = L"-Dsun.locale.formatasdefault=";
    const std::wstring *last = nullptr;
    for (const std::wstring &argument : arguments)
        if (startsWith(argument, prefix))
            last = &argument;
    StringList entries;
    if (last == nullptr)
        return entries;
    entries.push_back(*last);
    if (*last == prefix + L"true")
        return entries;
    if (language != nullptr && language[0] != '\0')
        entries.push_back(L"-Duser.language=" + widenBytes(language));
    if (country != nullptr && country[0] != '\0')
        entries.push_back(L"-Duser.country=" + widenBytes(country));
    return entries;
}

ModuleOptions buildModuleOptions(bool moduleMainClass, const std::string &mainClass, const char *runtimeModule) {
    ModuleOptions options;
    options.addModules = "--add-modules=";
    if (moduleMainClass) {
        size_t slash = mainClass.find('/');
        size_t lastDot = mainClass.rfind('.');
        if (slash != std::string::npos && lastDot != std::string::npos && lastDot > slash)
            options.addOpens = "--add-opens=" + mainClass.substr(0, lastDot) + "=" + runtimeModule;
        options.addModules += mainClass.substr(0, slash);
        options.addModules += ',';
    }
    options.addModules += runtimeModule;
    return options;
}

void mergeModuleOptions(VmOptionList &options) {
    for (size_t i = 0; i + 1 < options.size(); i++) {
        if (isModuleOptionName(options[i])) {
            options[i] += "=" + options[i + 1];
            options.erase(options.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        }
    }
}

bool hasArgumentFileOption(const VmOptionList &options) {
    for (const std::string &option : options)
        if (!option.empty() && option[0] == '@')
            return true;
    return false;
}
