#include "writer/project_values.h"

#include "writer/block_writer.h"
#include "writer/host_files.h"
#include "writer/project_error.h"
#include "writer/record_texts.h"

const std::string &stringOf(const toml::node &node, const std::string &key) {
    const toml::value<std::string> *text = node.as_string();
    if (!text)
        failKey(node, key, "must be a text in double quotes");
    return text->get();
}

bool flagOf(const toml::node &node, const std::string &key) {
    const toml::value<bool> *flag = node.as_boolean();
    if (!flag)
        failKey(node, key, "must be true or false");
    return flag->get();
}

const toml::table &tableOf(const toml::node &node, const std::string &key, const std::string &what) {
    const toml::table *table = node.as_table();
    if (!table)
        failKey(node, key, "must be a table: " + what);
    return *table;
}

const toml::array &arrayOf(const toml::node &node, const std::string &key) {
    const toml::array *array = node.as_array();
    if (!array)
        failKey(node, key, "must be a list: [ ... ]");
    return *array;
}

std::string recordTextOf(const toml::node &node, const std::string &key) {
    std::string latin1;
    if (!latin1FromUtf8(stringOf(node, key), &latin1))
        failKey(node, key, "holds a character the launcher cannot carry (it reads Latin-1 text)");
    return latin1;
}

std::vector<std::string> textListOf(const toml::node &node, const std::string &key) {
    std::vector<std::string> texts;
    for (const toml::node &element : arrayOf(node, key))
        texts.push_back(recordTextOf(element, key));
    return texts;
}

std::u16string utf16Of(const toml::node &node, const std::string &key) {
    std::u16string text;
    if (!utf16FromUtf8(stringOf(node, key), &text))
        failKey(node, key, "is not valid UTF-8");
    return text;
}

std::string choiceOf(const toml::node &node, const std::string &key, std::initializer_list<const char *> choices) {
    std::string list;
    for (const char *choice : choices) {
        if (node.is_string() && node.as_string()->get() == choice)
            return choice;
        list += (list.empty() ? "\"" : ", \"") + std::string(choice) + "\"";
    }
    failKey(node, key, "must be one of " + list);
}

namespace {

// The multiplier of a unit word, or 0 for none we know.
uint64_t unitFactor(std::string unit) {
    for (char &c : unit)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (unit.empty() || unit == "B")
        return 1;
    if (unit == "KB")
        return uint64_t(1) << 10;
    if (unit == "MB")
        return uint64_t(1) << 20;
    return unit == "GB" ? uint64_t(1) << 30 : 0;
}

}  // namespace

uint64_t byteSizeOf(const toml::node &node, const std::string &key) {
    const uint64_t kLargest = uint64_t(1) << 50;
    if (const toml::value<int64_t> *number = node.as_integer()) {
        if (number->get() < 0 || static_cast<uint64_t>(number->get()) > kLargest)
            failKey(node, key, "must be a size from 1 KB to 1024 TB");
        return static_cast<uint64_t>(number->get());
    }
    const std::string &text = stringOf(node, key);
    size_t digits = 0;
    uint64_t count = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9' && count <= kLargest)
        count = count * 10 + static_cast<uint64_t>(text[digits++] - '0');
    size_t unit = digits;
    while (unit < text.size() && text[unit] == ' ')
        unit++;
    uint64_t factor = unitFactor(text.substr(unit));
    if (digits == 0 || factor == 0 || count > kLargest / factor)
        failKey(node, key, "\"" + text + "\" is no size such as \"10 MB\", \"512 KB\" or \"1 GB\"");
    return count * factor;
}

std::string resolveBesideProject(const std::string &projectName, const std::string &source) {
    if (source.empty() || isAbsoluteHostPath(source))
        return source;
    size_t slash = projectName.find_last_of(kHostSeparators);
    return slash == std::string::npos ? source : projectName.substr(0, slash + 1) + source;
}
