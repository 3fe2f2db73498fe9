#include "writer/msi_project.h"

#include "common/records.h"
#include "writer/project_error.h"

namespace {

// The folders an administrator may install a service below; 64-bit folders
// only in a 64-bit package, as the Installer redirects them otherwise.
struct StandardFolder {
    const char *property;
    bool only64;
};
const StandardFolder kStandardFolders[] = {
    {"ProgramFiles64Folder", true}, {"ProgramFilesFolder", false}, {"CommonFiles64Folder", true},
    {"CommonFilesFolder", false},   {"CommonAppDataFolder", false}, {"WindowsVolume", false},
};

bool parseNumber(const std::string &text, unsigned long limit, std::string *problem) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) {
        *problem = "must be three numbers such as \"1.4.0\"";
        return false;
    }
    if (std::stoul(text) > limit) {
        *problem = "numbers up to 255.255.65535 (the Installer's limits), not " + text;
        return false;
    }
    return true;
}

std::string recordOf(const BlockContent &content, int32_t id) {
    for (const auto &record : content.records)
        if (record.first == id)
            return record.second;
    return std::string();
}

std::string where(const std::string &projectName, const MsiKey &key) {
    return key.line > 0 ? projectName + ":" + std::to_string(key.line) : projectName;
}

bool refuse(const std::string &projectName, const MsiKey &key, const char *name, const std::string &problem,
            std::string *error) {
    *error = where(projectName, key) + ": msi." + name + ": " + problem;
    return false;
}

}  // namespace

void readMsiTable(const toml::table &table, MsiKeys *keys) {
    for (auto &&[key, value] : table) {
        MsiKey *target = key.str() == "version"        ? &keys->version
                         : key.str() == "manufacturer" ? &keys->manufacturer
                         : key.str() == "upgrade_code" ? &keys->upgradeCode
                         : key.str() == "install_dir"  ? &keys->installDir
                                                       : nullptr;
        if (!target)
            fail(value, "unknown key \"msi." + std::string(key.str()) +
                            "\"; [msi] knows version, manufacturer, upgrade_code and install_dir");
        const toml::value<std::string> *text = value.as_string();
        if (!text)
            failKey(value, "msi." + std::string(key.str()), "must be a text");
        target->value = text->get();
        target->line = lineOf(value);
    }
}

bool checkMsiVersion(const std::string &version, std::string *problem) {
    size_t first = version.find('.'), second = first == std::string::npos ? first : version.find('.', first + 1);
    if (second == std::string::npos || version.find('.', second + 1) != std::string::npos) {
        *problem = "must be three numbers such as \"1.4.0\", not \"" + version + "\"";
        return false;
    }
    return parseNumber(version.substr(0, first), 255, problem) &&
           parseNumber(version.substr(first + 1, second - first - 1), 255, problem) &&
           parseNumber(version.substr(second + 1), 65535, problem);
}

bool isInstallerName(const std::string &name) {
    // Printable ASCII only (the package's code page), nothing the Installer
    // formats ([...], {...}), the WiX preprocessor ($(...)) or the command
    // processor of the install's commands (%...%) expands.
    for (char c : name)
        if (c < 0x20 || c > 0x7E || c == '[' || c == ']' || c == '{' || c == '}' || c == '"' || c == '%')
            return false;
    return !name.empty() && name.find("$(") == std::string::npos;
}

bool parseInstallDir(const std::string &text, bool win64, std::string *base, std::vector<std::string> *path,
                     std::string *problem) {
    size_t close = text.find(']');
    std::string property = text.size() > 1 && text[0] == '[' && close != std::string::npos ? text.substr(1, close - 1) : "";
    const StandardFolder *folder = nullptr;
    for (const StandardFolder &known : kStandardFolders)
        if (property == known.property)
            folder = &known;
    std::string names;
    for (const StandardFolder &known : kStandardFolders)
        names += std::string(names.empty() ? "" : ", ") + "[" + known.property + "]";
    if (!folder) {
        *problem = "must begin with a standard folder (" + names + "), as in \"[ProgramFiles64Folder]Acme\\Inventory\"";
        return false;
    }
    if (folder->only64 && !win64) {
        *problem = "[" + property + "] is for x86_64 packages; an i686 one installs below [ProgramFilesFolder]";
        return false;
    }
    path->clear();
    std::string rest = text.substr(close + 1);
    for (size_t begin = 0; begin <= rest.size();) {
        size_t end = std::min(rest.find_first_of("/\\", begin), rest.size());
        std::string name = rest.substr(begin, end - begin);
        bool reserved = !name.empty() && (name == "." || name == ".." || name.find_first_of("<>:|?*") != std::string::npos ||
                        name.back() == '.' || name.back() == ' ');
        if (!name.empty() && (reserved || !isInstallerName(name))) {
            *problem = "\"" + name + "\" cannot be a folder name";
            return false;
        }
        if (!name.empty())
            path->push_back(name);
        begin = end + 1;
    }
    if (path->empty()) {
        *problem = "names no folder below [" + property + "]";
        return false;
    }
    *base = property;
    return true;
}

bool planMsiPackage(const std::string &projectName, const MsiKeys &keys, const BlockContent &content,
                    const std::string &arch, const std::vector<std::string> &files, MsiPackage *package,
                    std::string *error) {
    MsiPackage &p = *package;
    std::string problem;
    p.serviceName = recordOf(content, record::kServiceName);
    if (!isInstallerName(p.serviceName)) {
        *error = projectName + ": service.name: \"" + p.serviceName +
                 "\" cannot name an Installer package: printable ASCII without [ ] { } \" % or $(";
        return false;
    }
    if (keys.version.line == 0)
        return refuse(projectName, keys.version, "version", "required for a package: three numbers such as \"1.4.0\"",
                      error);
    if (!checkMsiVersion(keys.version.value, &problem))
        return refuse(projectName, keys.version, "version", problem, error);
    p.version = keys.version.value;
    p.manufacturer = keys.manufacturer.line ? keys.manufacturer.value : p.serviceName;
    if (p.manufacturer.empty() || p.manufacturer.find("$(") != std::string::npos)
        return refuse(projectName, keys.manufacturer, "manufacturer", "must be a name (without \"$(\")", error);
    p.upgradeCode = defaultUpgradeCode(p.serviceName);
    if (keys.upgradeCode.line && !normalizeGuid(keys.upgradeCode.value, &p.upgradeCode))
        return refuse(projectName, keys.upgradeCode, "upgrade_code",
                      "must be a GUID such as \"{0B5A2C7E-1D4F-4A6B-8C9D-0E1F2A3B4C5D}\", not \"" +
                          keys.upgradeCode.value + "\"",
                      error);
    p.win64 = arch != "i686";
    std::string installDir = keys.installDir.line ? keys.installDir.value
                                                  : std::string(p.win64 ? "[ProgramFiles64Folder]" : "[ProgramFilesFolder]") +
                                                        p.serviceName;
    if (!parseInstallDir(installDir, p.win64, &p.installBase, &p.installPath, &problem))
        return refuse(projectName, keys.installDir, "install_dir", problem, error);
    p.autoStart = recordOf(content, record::kLauncherType) == std::to_string(launcher_type::kAutomaticService);
    p.files = files;
    p.executable = files.empty() ? "" : files[0];
    std::string base = p.executable.substr(0, p.executable.size() - 4);
    p.keptFiles.clear();
    for (const std::string &file : files) {
        if (!isInstallerName(file) || file.size() > 255) {
            *error = projectName + ": the file \"" + file +
                     "\" cannot go into an Installer package: printable ASCII without [ ] { } \" % or $(";
            return false;
        }
        const std::string preferredName = "/.zanthor/pref_jre.cfg";
        bool preferred = ("/" + file).size() >= preferredName.size() &&
                         ("/" + file).compare(file.size() + 1 - preferredName.size(), std::string::npos, preferredName) == 0;
        if (file == base + ".vmoptions" || preferred)
            p.keptFiles.push_back(file);
    }
    return true;
}
