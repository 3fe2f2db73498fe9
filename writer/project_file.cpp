#include "writer/project_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/settings_schema.h"
#include "writer/host_files.h"
#include "writer/project_error.h"
#include "writer/project_values.h"

namespace {

int32_t parseId(const toml::key &key, const toml::node &value) {
    std::string text(key.str());
    bool digits = !text.empty();
    for (size_t i = 0; i < text.size(); i++)
        if (!(text[i] >= '0' && text[i] <= '9') && !(i == 0 && text[i] == '-' && text.size() > 1))
            digits = false;
    errno = 0;
    long long id = digits ? std::strtoll(text.c_str(), nullptr, 10) : 0;
    if (!digits || errno != 0 || id < INT32_MIN || id > INT32_MAX)
        fail(value, "id \"" + text + "\" is not a 32-bit decimal number");
    return static_cast<int32_t>(id);
}

std::string recordText(const toml::key &key, const toml::node &value) {
    if (auto text = value.as_string())
        return text->get();
    if (auto number = value.as_integer())
        return std::to_string(number->get());
    if (auto flag = value.as_boolean())
        return flag->get() ? "1" : "0";
    fail(value, "record " + std::string(key.str()) + " must be a text, an integer or a boolean");
}

std::u16string messageText(const toml::key &key, const toml::node &value) {
    auto text = value.as_string();
    if (!text)
        fail(value, "message " + std::string(key.str()) + " must be a text");
    std::u16string utf16;
    if (!utf16FromUtf8(text->get(), &utf16))
        fail(value, "message " + std::string(key.str()) + " is not valid UTF-8");
    return utf16;
}

const toml::table &asTable(const toml::node &node, const std::string &what) {
    const toml::table *table = node.as_table();
    if (!table)
        fail(node, what + " must be a table");
    return *table;
}

bool isWholeNumber(const std::string &text, bool sign) {
    size_t digits = sign && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    return text.size() > digits && text.find_first_not_of("0123456789", digits) == std::string::npos;
}

// Why the launcher could not read text as the schema's record, or empty.
// An empty text reads as a missing record and is always taken.
std::string schemaProblem(const SettingRow &setting, const std::string &text) {
    if (text.empty())
        return "";
    std::string range = " from " + std::to_string(setting.low) + " to " + std::to_string(setting.high);
    switch (setting.type) {
    case SettingType::kText:
    case SettingType::kEntries:
        if (setting.capacity != 0 && text.size() >= setting.capacity)
            return "is " + std::to_string(text.size()) + " characters long; the launcher reads at most " +
                   std::to_string(setting.capacity - 1);
        return "";
    case SettingType::kFlag:
    case SettingType::kSwitch:
        return text == "0" || text == "1" ? "" : "must be true or false (1 or 0)";
    case SettingType::kInteger:
    case SettingType::kClamped:
    case SettingType::kByteCount: {
        bool sign = setting.type != SettingType::kByteCount;
        errno = 0;
        long long value = isWholeNumber(text, sign) ? std::strtoll(text.c_str(), nullptr, 10) : 0;
        if (!isWholeNumber(text, sign) || errno != 0 || value < setting.low || value > setting.high)
            return "must be a whole number" + range;
        return "";
    }
    case SettingType::kNone:
        break;
    }
    return "";
}

// A record the launcher reads must have a value it can read as its type.
void checkAgainstSchema(int32_t id, const std::string &text, const toml::node &value) {
    for (const SettingRow &setting : kSettingsSchema) {
        if (setting.id != id || id == kNoRecord)
            continue;
        std::string problem = schemaProblem(setting, text);
        if (!problem.empty())
            failKey(value, "records." + std::to_string(id),
                    problem + (setting.key ? " (" + std::string(setting.key) + ")" : std::string()));
        return;
    }
}

void readRecords(const toml::table &table, BlockContent &content, RawOrigins &raw) {
    for (auto &&[key, value] : table) {
        int32_t id = parseId(key, value);
        std::string text = recordText(key, value);
        checkAgainstSchema(id, text, value);
        setRecord(content, id, text);
        raw.records[id] = &value;
    }
}

void readMessages(const toml::table &table, MessageList &messages) {
    for (auto &&[key, value] : table)
        setMessage(messages, parseId(key, value), messageText(key, value));
}

void readLocaleGroups(const toml::node &node, BlockContent &content) {
    const toml::array *groups = node.as_array();
    if (!groups)
        fail(node, "locale must be an array of tables ([[locale]])");
    for (const toml::node &element : *groups) {
        const toml::table &table = asTable(element, "a locale group");
        LocaleGroup group;
        bool named = false;
        for (auto &&[key, value] : table) {
            if (key.str() == "name") {
                auto name = value.as_string();
                if (!name)
                    fail(value, "locale name must be a text");
                group.name = name->get();
                named = true;
            } else if (key.str() == "messages") {
                readMessages(asTable(value, "locale messages"), group.messages);
            } else {
                fail(value, "unknown key \"" + std::string(key.str()) + "\" in a locale group");
            }
        }
        if (!named)
            fail(element, "locale group without a name");
        content.localeGroups.push_back(group);
    }
}

// The name in the launcher's temporary directory: as given, with "/" taken
// for the backslash Windows wants; by default the source's file name.
std::string embeddedName(const std::string &source, const toml::node *name) {
    std::string text;
    if (name) {
        auto given = name->as_string();
        if (!given)
            fail(*name, "embed name must be a text");
        text = given->get();
    } else {
        size_t slash = source.rfind('/');
        text = slash == std::string::npos ? source : source.substr(slash + 1);
    }
    for (char &c : text)
        if (c == '/')
            c = '\\';
    return text;
}

void readEmbeddedFile(const std::string &projectName, const toml::node &element, BlockContent &content) {
    const toml::table &table = asTable(element, "an embed entry");
    for (auto &&[key, value] : table)
        if (key.str() != "source" && key.str() != "name")
            fail(value, "unknown key \"" + std::string(key.str()) + "\" in an embed entry");
    const toml::node *source = table.get("source");
    if (!source || !source->as_string())
        fail(element, "embed entry needs a source = \"path of the file to carry\"");
    EmbeddedFile file;
    file.name = embeddedName(source->as_string()->get(), table.get("name"));
    std::string error;
    if (!checkEmbeddedFileName(file.name, &error))
        fail(table.get("name") ? *table.get("name") : *source, error);
    std::string problem = hostPathProblem(source->as_string()->get());
    if (!problem.empty())
        fail(*source, problem);
    std::string path = resolveBesideProject(projectName, source->as_string()->get());
    if (!readWholeFile(path, &file.bytes))
        fail(*source, "cannot read the embedded file " + path);
    content.embeddedFiles.push_back(file);
}

void readEmbeddedFiles(const std::string &projectName, const toml::node &node, BlockContent &content) {
    const toml::array *entries = node.as_array();
    if (!entries)
        fail(node, "embed must be an array of tables ([[embed]])");
    for (const toml::node &element : *entries)
        readEmbeddedFile(projectName, element, content);
}

}  // namespace

bool readWholeFile(const std::string &path, std::string *bytes) {
    // A directory opens and reads as an empty file.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *bytes = buffer.str();
    return !in.bad();
}

// The block stores texts NUL-terminated: a NUL written as "\u0000" would cut
// a value into another one without a word.
void refuseNulCharacters(const toml::node &node) {
    if (const toml::table *table = node.as_table()) {
        for (auto &&[key, value] : *table) {
            if (key.str().find('\0') != std::string_view::npos)
                fail(value, "a key holds a NUL character");
            refuseNulCharacters(value);
        }
    } else if (const toml::array *array = node.as_array()) {
        for (const toml::node &element : *array)
            refuseNulCharacters(element);
    } else if (const toml::value<std::string> *text = node.as_string()) {
        if (text->get().find('\0') != std::string::npos)
            fail(node, "a text holds a NUL character");
    }
}

bool readPackageProject(const std::string &name, const std::string &text, PackageProject *project,
                        std::string *error) {
    *project = PackageProject();
    BlockContent &content = project->content;
    content.messages = defaultMessages();
    RawOrigins raw;
    bool friendly = false;
    // TOML allows no raw NUL, and the parser must never meet one: its own
    // checks on such input are assertions, not errors.
    size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        *error = name + ":" + std::to_string(1 + std::count(text.begin(), text.begin() + nul, '\n')) +
                 ": a NUL character; a project file is text";
        return false;
    }
    try {
        toml::table root = toml::parse(text, name);
        refuseNulCharacters(root);
        for (auto &&[key, value] : root) {
            if (key.str() == "records") {
                readRecords(asTable(value, "records"), content, raw);
            } else if (key.str() == "messages") {
                const toml::table &messages = asTable(value, "messages");
                readMessages(messages, content.messages);
                raw.description = messages.get("20017");
            } else if (key.str() == "locale") {
                readLocaleGroups(value, content);
            } else if (key.str() == "embed") {
                readEmbeddedFiles(name, value, content);
            } else if (key.str() == "msi") {
                readMsiTable(asTable(value, "msi"), &project->msi);
            } else if (isServiceSection(std::string(key.str()))) {
                friendly = true;
            } else {
                fail(value, "unknown key \"" + std::string(key.str()) +
                                "\"; a project file knows [service], [java], [runtime], [output], [instance], "
                                "[[file]], [[embed]], [msi], [records], [messages] and [[locale]]");
            }
        }
        // A file of raw tables only is written as it stands, without defaults.
        if (friendly)
            applyServiceSections(name, root, raw, project);
    } catch (const toml::parse_error &problem) {
        *error = name + ":" + std::to_string(problem.source().begin.line) + ": " + std::string(problem.description());
        return false;
    } catch (const ProjectError &problem) {
        *error = name + ":" + std::to_string(problem.line) + ": " + problem.message;
        return false;
    }
    return true;
}

bool readProjectFile(const std::string &name, const std::string &text, BlockContent *content, std::string *error) {
    PackageProject project;
    if (!readPackageProject(name, text, &project, error))
        return false;
    *content = project.content;
    return true;
}
