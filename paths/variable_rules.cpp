#include "paths/variable_rules.h"

#include "common/text.h"
#include "diagnostics/log.h"

namespace {

enum class LauncherValue { ExecutableDirectory, LauncherTempDirectory, PathListSeparator, RuntimeHome, TempRoot };

struct LauncherVariable {
    const char *reference;
    LauncherValue value;
};

// Substituted in this order: the PELLUX forms before the ZANTHOR forms, the
// percent forms before the brace forms.
const LauncherVariable kLauncherVariables[] = {
    {"%PELLUX_EXEDIR%", LauncherValue::ExecutableDirectory},
    {"%ZANTHOR_EXEDIR%", LauncherValue::ExecutableDirectory},
    {"%PELLUX_TEMPDIR%", LauncherValue::LauncherTempDirectory},
    {"%ZANTHOR_TEMPDIR%", LauncherValue::LauncherTempDirectory},
    {"%PELLUX_PATHLIST_SEPARATOR%", LauncherValue::PathListSeparator},
    {"%ZANTHOR_PATHLIST_SEPARATOR%", LauncherValue::PathListSeparator},
    {"%PELLUX_JVM_HOME%", LauncherValue::RuntimeHome},
    {"%ZANTHOR_JVM_HOME%", LauncherValue::RuntimeHome},
    {"${PELLUX_EXEDIR}", LauncherValue::ExecutableDirectory},
    {"${ZANTHOR_EXEDIR}", LauncherValue::ExecutableDirectory},
    {"${PELLUX_TEMPDIR}", LauncherValue::LauncherTempDirectory},
    {"${ZANTHOR_TEMPDIR}", LauncherValue::LauncherTempDirectory},
    {"${PELLUX_PATHLIST_SEPARATOR}", LauncherValue::PathListSeparator},
    {"${ZANTHOR_PATHLIST_SEPARATOR}", LauncherValue::PathListSeparator},
    {"${PELLUX_JVM_HOME}", LauncherValue::RuntimeHome},
    {"${ZANTHOR_JVM_HOME}", LauncherValue::RuntimeHome},
    {"${launcher:sys.launcherDirectory}", LauncherValue::ExecutableDirectory},
    {"${launcher:sys.launcherTempDirectory}", LauncherValue::LauncherTempDirectory},
    {"${launcher:sys.pathlistSeparator}", LauncherValue::PathListSeparator},
    {"${launcher:sys.jvmHome}", LauncherValue::RuntimeHome},
    {"${launcher:sys.tempDir}", LauncherValue::TempRoot},
};

// How one substitution is logged: which text is wide and how much is shown.
enum class SubstitutionLog { WideText, NarrowText, GrowableString };

void logSubstitution(const std::wstring &reference, const WideValue &value, const std::wstring &text,
                     SubstitutionLog) {
    if (value.narrow)
        logMessage("expanding2 %s to %S in %s.", reference.c_str(), narrowBytes(value.text).c_str(), text.c_str());
    else
        logMessage("expanding2 %s to %s in %s.", reference.c_str(), value.text.c_str(), text.c_str());
}

void logSubstitution(const std::string &reference, const std::string &value, const std::string &text,
                     SubstitutionLog log) {
    if (log == SubstitutionLog::GrowableString)
        logMessage("expanding2 %S to %S.", reference.c_str(), value.c_str());
    else
        logMessage("expanding2 %S to %S in %S.", reference.c_str(), value.c_str(), text.c_str());
}

const std::wstring &valueText(const WideValue &value) { return value.text; }
const std::string &valueText(const std::string &value) { return value; }

// Environment values come from the block of the text's own width.
WideValue environmentValue(const std::wstring &text) {
    WideValue value;
    value.text = text;
    return value;
}
const std::string &environmentValue(const std::string &text) { return text; }

void logExpansionLimit(const std::wstring &reference) {
    logError("%s not expanded further: the text would exceed %d characters", reference.c_str(),
             static_cast<int>(kExpansionLimit));
}

void logExpansionLimit(const std::string &reference) {
    logError("%S not expanded further: the text would exceed %d characters", reference.c_str(),
             static_cast<int>(kExpansionLimit));
}

// Every occurrence of the reference, scanning on after each inserted value, so
// a value is never searched again for its own reference.
template <typename Text, typename Value>
void substituteAll(Text &text, const Text &reference, const Value &value, SubstitutionLog log) {
    const Text &replacement = valueText(value);
    size_t position = text.find(reference);
    while (position != Text::npos) {
        if (text.size() - reference.size() + replacement.size() > kExpansionLimit) {
            logExpansionLimit(reference);
            return;
        }
        text.replace(position, reference.size(), replacement);
        logSubstitution(reference, value, text, log);
        position = text.find(reference, position + replacement.size());
    }
}

template <typename Text>
Text asciiText(const char *text) {
    Text result;
    for (; *text; text++)
        result.push_back(static_cast<typename Text::value_type>(*text));
    return result;
}

template <typename Text>
Text upperCaseAscii(Text text) {
    for (auto &c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<typename Text::value_type>(c - 'a' + 'A');
    return text;
}

template <typename Values, typename Value>
const Value &launcherValue(const Values &values, LauncherValue which, const Value &separator) {
    switch (which) {
    case LauncherValue::ExecutableDirectory: return values.executableDirectory;
    case LauncherValue::LauncherTempDirectory: return values.launcherTempDirectory;
    case LauncherValue::RuntimeHome: return values.runtimeHome;
    case LauncherValue::TempRoot: return values.tempRoot;
    case LauncherValue::PathListSeparator: break;
    }
    return separator;
}

template <typename Char>
std::vector<std::pair<std::basic_string<Char>, std::basic_string<Char>>> entriesOf(const Char *block) {
    std::vector<std::pair<std::basic_string<Char>, std::basic_string<Char>>> entries;
    if (!block)
        return entries;
    for (const Char *entry = block; *entry;) {
        std::basic_string<Char> text = entry;
        entry += text.size() + 1;
        size_t equals = text.find(Char('='), 1);
        if (equals != std::basic_string<Char>::npos)
            entries.emplace_back(text.substr(0, equals), text.substr(equals + 1));
    }
    return entries;
}

template <typename Text, typename Values, typename Value>
void expandText(Text &text, const Values &values, const Value &separator,
                const typename Text::value_type *environmentBlock, SubstitutionLog log) {
    // Every reference begins with "%" or "$": a text with neither stays as it is.
    if (text.find_first_of(asciiText<Text>("%$")) == Text::npos)
        return;
    for (const LauncherVariable &variable : kLauncherVariables)
        substituteAll(text, asciiText<Text>(variable.reference), launcherValue(values, variable.value, separator), log);
    // Every environment reference begins with "${": a text without one has
    // nothing to take from the block, which need not be taken apart then.
    if (text.find(asciiText<Text>("${")) == Text::npos)
        return;
    // Matched as the name is written in the block, and entirely in upper case.
    for (const auto &entry : entriesOf(environmentBlock)) {
        Text reference = asciiText<Text>("${") + entry.first + asciiText<Text>("}");
        const auto &value = environmentValue(entry.second);
        substituteAll(text, reference, value, log);
        substituteAll(text, upperCaseAscii(reference), value, log);
    }
}

}  // namespace

std::vector<std::pair<std::wstring, std::wstring>> environmentEntries(const wchar_t *block) { return entriesOf(block); }
std::vector<std::pair<std::string, std::string>> environmentEntries(const char *block) { return entriesOf(block); }

void expandWideText(std::wstring &text, const WideExpansionValues &values, const wchar_t *environmentBlock) {
    WideValue separator;
    separator.text = L";";
    expandText(text, values, separator, environmentBlock, SubstitutionLog::WideText);
}

void expandNarrowText(std::string &text, const NarrowExpansionValues &values, const char *environmentBlock,
                      bool growable) {
    expandText(text, values, std::string(";"), environmentBlock,
               growable ? SubstitutionLog::GrowableString : SubstitutionLog::NarrowText);
}

bool storeExpandedText(wchar_t *buffer, size_t capacity, const std::wstring &expanded) {
    if (capacity == 0)
        return expanded.empty();
    std::wstring kept = cutToLength(expanded, capacity - 1);
    copyText(buffer, capacity, kept.c_str());
    if (kept.size() == expanded.size())
        return true;
    logError("expanded text of %d characters cut to %d: %s", static_cast<int>(expanded.size()),
             static_cast<int>(kept.size()), kept.c_str());
    return false;
}

bool storeExpandedText(char *buffer, size_t capacity, const std::string &expanded) {
    if (capacity == 0)
        return expanded.empty();
    if (copyText(buffer, capacity, expanded.c_str()))
        return true;
    logError("expanded text of %d characters cut to %d: %S", static_cast<int>(expanded.size()),
             static_cast<int>(capacity - 1), buffer);
    return false;
}
