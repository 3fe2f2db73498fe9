#include "writer/typed_entries.h"

#include "writer/project_error.h"
#include "writer/project_values.h"
#include "writer/record_texts.h"

namespace {

struct EntryForm {
    const char *key;
    char letter;
};

// ";" separates entries in the record, so no value may hold one.
std::string entryValue(const toml::node &node, const std::string &key) {
    std::string value = recordTextOf(node, key);
    if (value.empty() || value.find_first_of(";\r\n") != std::string::npos)
        failKey(node, key, "\"" + value + "\" must not be empty or hold \";\" or a line break");
    return value;
}

std::string environmentName(const toml::node &node, const std::string &key) {
    std::string name = entryValue(node, key);
    if (name.find('=') != std::string::npos)
        failKey(node, key, "\"" + name + "\" is no environment variable name");
    return name;
}

bool endsWith(const std::string &text, const char *suffix) {
    std::string tail(suffix);
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A plain path: the launcher knows no wildcard but a whole directory's archives.
std::string pathEntryFromText(const toml::node &node, const std::string &key) {
    std::string value = entryValue(node, key);
    if (value == "*" || endsWith(value, "/*") || endsWith(value, "\\*")) {
        std::string directory = value.substr(0, value.size() - (value == "*" ? 1 : 2));
        return "S0" + windowsPath(directory.empty() ? "." : directory);
    }
    if (value.find_first_of("*?") != std::string::npos)
        failKey(node, key, "\"" + value + "\": the only wildcard is folder/* (every jar and zip in the folder)");
    bool directory = endsWith(value, "/") || endsWith(value, "\\");
    return std::string(directory ? "D0" : "A0") + windowsPath(value);
}

// Exactly one of the forms' keys, with its value; other keys only where allowed.
const EntryForm &formOf(const toml::table &table, const EntryForm *forms, size_t count, const char *extraKey,
                        const std::string &key, const char *formNames) {
    const EntryForm *found = nullptr;
    for (auto &&[name, value] : table) {
        const EntryForm *form = nullptr;
        for (size_t i = 0; i < count; i++)
            if (name.str() == forms[i].key)
                form = &forms[i];
        if (!form && (!extraKey || name.str() != extraKey))
            failKey(value, key, "unknown key \"" + std::string(name.str()) + "\" in an entry; use one of " + formNames);
        if (form && found)
            failKey(value, key, std::string("an entry takes one of ") + formNames);
        if (form)
            found = form;
    }
    if (!found)
        failKey(table, key, std::string("an entry needs one of ") + formNames);
    return *found;
}

std::string pathEntryFromTable(const toml::table &table, const std::string &key) {
    static const EntryForm forms[] = {{"file", 'A'}, {"directory", 'D'}, {"jars_in", 'S'}, {"env", 'E'}};
    const EntryForm &form = formOf(table, forms, 4, "required", key, "file, directory, jars_in, env");
    const toml::node &value = *table.get(form.key);
    bool required = table.get("required") && flagOf(*table.get("required"), key);
    std::string text = form.letter == 'E' ? environmentName(value, key) : windowsPath(entryValue(value, key));
    return std::string(1, form.letter) + (required ? "1" : "0") + text;
}

std::string searchEntry(const toml::node &element, const std::string &key) {
    static const EntryForm forms[] = {{"directory", 'A'}, {"bundled", 'B'}, {"env", 'E'}};
    const char *formNames = "\"registry\", \"path\", { directory = \"...\" }, { bundled = \"...\" }, { env = \"...\" }";
    if (const toml::table *table = element.as_table()) {
        const EntryForm &form = formOf(*table, forms, 3, nullptr, key, formNames);
        const toml::node &value = *table->get(form.key);
        std::string text = form.letter == 'E' ? environmentName(value, key) : windowsPath(entryValue(value, key));
        return std::string(1, form.letter) + text;
    }
    if (element.is_string() && element.as_string()->get() == "registry")
        return "Y";
    if (element.is_string() && element.as_string()->get() == "path")
        return "S";
    failKey(element, key, std::string("a location is one of ") + formNames);
}

}  // namespace

std::string pathEntriesOf(const toml::node &node, const std::string &key) {
    std::string entries;
    for (const toml::node &element : arrayOf(node, key)) {
        const toml::table *table = element.as_table();
        entries += (table ? pathEntryFromTable(*table, key) : pathEntryFromText(element, key)) + ";";
    }
    return entries;
}

std::string searchEntriesOf(const toml::node &node, const std::string &key) {
    std::string entries;
    for (const toml::node &element : arrayOf(node, key))
        entries += searchEntry(element, key) + ";";
    return entries;
}
