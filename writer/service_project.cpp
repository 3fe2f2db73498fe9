#include "writer/service_project.h"

#include <cctype>
#include <filesystem>

#include "common/records.h"
#include "common/text.h"
#include "config/embedded_files_format.h"
#include "writer/host_files.h"
#include "writer/project_error.h"
#include "writer/project_values.h"
#include "writer/record_texts.h"
#include "writer/robustness_keys.h"
#include "runtime/environment_rules.h"
#include "service/security_rules.h"
#include "writer/typed_entries.h"

namespace {

// A record the friendly keys decide; origin is the key's node, null for a default.
struct PlannedRecord {
    std::string value;
    const toml::node *origin = nullptr;
    std::string key;
};

// What the sections decided so far, and the keys whose combinations are
// checked once every section has been read.
struct ServiceKeys {
    std::map<int32_t, PlannedRecord> records;
    PackageProject *project = nullptr;
    const toml::node *serviceTable = nullptr;
    const toml::node *javaTable = nullptr;
    const toml::node *name = nullptr;
    const toml::node *start = nullptr;
    bool autoStart = true;
    const toml::node *launcherType = nullptr;
    std::string launcherTypeName = "console";
    const toml::node *mainClass = nullptr;
    const toml::node *moduleFlag = nullptr;
    const toml::node *minimum = nullptr;
    const toml::node *maximum = nullptr;
    const toml::node *vmOptionsFile = nullptr;
    const toml::node *readVmOptionsFile = nullptr;
    const toml::node *description = nullptr;
    RobustnessKeys robustness;
};

// The launcher reads the record into a buffer of this size; 0: any length.
size_t recordCapacity(int32_t id) {
    for (const SettingRow &setting : kSettingsSchema)
        if (setting.id == id && setting.id != kNoRecord)
            return setting.capacity;
    return kRecordTextCapacity;
}

void planRecord(ServiceKeys &keys, int32_t id, const std::string &value, const toml::node &origin,
                const std::string &key) {
    size_t capacity = recordCapacity(id);
    if (capacity != 0 && value.size() >= capacity)
        failKey(origin, key,
                "is " + std::to_string(value.size()) + " characters long; the launcher reads at most " +
                    std::to_string(capacity - 1));
    keys.records[id] = PlannedRecord{value, &origin, key};
}

void planFlag(ServiceKeys &keys, int32_t id, const toml::node &node, const std::string &key) {
    planRecord(keys, id, flagOf(node, key) ? "1" : "0", node, key);
}

[[noreturn]] void unknownKey(const toml::node &node, const std::string &section, const std::string &key,
                             const char *known) {
    failKey(node, section + "." + key, std::string("unknown key; [") + section + "] knows " + known);
}

void readServiceName(ServiceKeys &keys, const toml::node &node, const std::string &key) {
    std::string name = recordTextOf(node, key);
    if (name.empty() || name.size() > 256)
        failKey(node, key, "must have 1 to 256 characters");
    if (name.find_first_of("/\\") != std::string::npos)
        failKey(node, key, "Windows refuses \"/\" and \"\\\" in service names");
    keys.name = &node;
    planRecord(keys, record::kServiceName, name, node, key);
}

void readExecutableName(ServiceKeys &keys, const toml::node &node, const std::string &key) {
    std::string name = recordTextOf(node, key);
    size_t stem = name.size() < 4 ? 0 : name.size() - 4;
    std::string extension = name.substr(stem);
    for (char &c : extension)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (stem == 0 || extension != ".exe" || hasFileNameCharacter(name))
        failKey(node, key, "must be a file name ending in .exe, without folders");
    keys.project->folder.executableName = name;
}

void readDependencies(ServiceKeys &keys, const toml::node &node, const std::string &key) {
    std::string joined;
    for (const std::string &name : textListOf(node, key)) {
        if (name.empty() || name.find(',') != std::string::npos || name.front() == ' ' || name.back() == ' ')
            failKey(node, key, "\"" + name + "\" is no service name (empty, with \",\" or blanks around it)");
        joined += (joined.empty() ? "" : ",") + name;
    }
    planRecord(keys, record::kDependencies, joined, node, key);
}

// A built-in account, or a user or managed account as DOMAIN\name; the
// password never comes from the project.
void readAccount(ServiceKeys &keys, const toml::node &node, const std::string &key) {
    std::string account = recordTextOf(node, key);
    if (classifyServiceAccount(widenBytes(account), L"x").kind == AccountKind::kUnknown)
        failKey(node, key,
                "must be one of \"LocalSystem\", \"LocalService\", \"NetworkService\", \"virtual\", "
                "\"DOMAIN\\\\user\", \".\\\\user\" or \"DOMAIN\\\\name$\" (a managed account)");
    planRecord(keys, record::kServiceAccount, account, node, key);
}

// [service.environment]: NAME = "value"; the record keeps the table's order.
void readEnvironmentTable(ServiceKeys &keys, const toml::node &node, const std::string &key) {
    std::vector<EnvironmentSetting> variables;
    for (auto &&[name, value] : tableOf(node, key, "[service.environment]")) {
        std::string variable(name.str()), path = key + "." + variable;
        std::string latin1;
        if (!isEnvironmentName(variable) || !latin1FromUtf8(variable, &latin1))
            failKey(value, path, "is no environment variable name (empty, with \"=\" or NUL, or beyond Latin-1)");
        std::string text = recordTextOf(value, path);
        if (!isEnvironmentValue(text))
            failKey(value, path, "holds a line break or NUL, which an environment variable cannot");
        variables.push_back(EnvironmentSetting{latin1, text});
    }
    planRecord(keys, record::kEnvironment, environmentRecordText(variables), node, key);
}

void readServiceSection(ServiceKeys &keys, const toml::table &table) {
    for (auto &&[key, value] : table) {
        std::string name(key.str()), path = "service." + name;
        if (name == "name") {
            readServiceName(keys, value, path);
        } else if (name == "description") {
            keys.description = &value;
            std::u16string text = utf16Of(value, path);
            if (text.size() >= 6000)
                failKey(value, path, "is longer than the 5,999 characters Windows is given");
            setMessage(keys.project->content.messages, message::kServiceDescription, text);
        } else if (name == "start") {
            keys.start = &value;
            std::string start = choiceOf(value, path, {"auto", "demand", "delayed"});
            keys.autoStart = start != "demand";
            if (start == "delayed")
                planRecord(keys, record::kDelayedAutoStart, "1", value, path);
        } else if (name == "launcher_type") {
            keys.launcherType = &value;
            keys.launcherTypeName = choiceOf(value, path, {"console", "windowed", "message-box"});
        } else if (name == "dependencies") {
            readDependencies(keys, value, path);
        } else if (name == "executable") {
            readExecutableName(keys, value, path);
        } else if (name == "working_directory") {
            planRecord(keys, record::kWorkingDirectory, windowsPath(recordTextOf(value, path)), value, path);
        } else if (name == "account") {
            readAccount(keys, value, path);
        } else if (name == "writable_folder") {
            planRecord(keys, record::kRefuseWritableFolder,
                       choiceOf(value, path, {"refuse", "accept"}) == "refuse" ? "1" : "0", value, path);
        } else if (name == "arch") {
            keys.project->folder.arch = choiceOf(value, path, {"auto", "x86_64", "i686"});
        } else if (name == "event_log") {
            planFlag(keys, record::kEventLog, value, path);
        } else if (name == "environment") {
            readEnvironmentTable(keys, value, path);
        } else if (name == "stop") {
            readStopTable(tableOf(value, path, "[service.stop]"), keys.robustness);
        } else if (name == "recovery") {
            readRecoveryTable(tableOf(value, path, "[service.recovery]"), keys.robustness);
        } else if (name == "ready") {
            readReadyTable(tableOf(value, path, "[service.ready]"), keys.robustness);
        } else if (name == "watchdog") {
            readWatchdogTable(tableOf(value, path, "[service.watchdog]"), keys.robustness);
        } else {
            unknownKey(value, "service", name,
                       "name, description, start, launcher_type, dependencies, executable, working_directory, arch, account, "
                       "event_log, writable_folder, [service.environment], [service.stop], [service.recovery], "
                       "[service.ready], [service.watchdog]");
        }
    }
}

void readMainClass(ServiceKeys &keys, const toml::node &node, const std::string &key) {
    std::string mainClass = recordTextOf(node, key);
    if (mainClass.empty() || mainClass.find_first_of(" \t;") != std::string::npos)
        failKey(node, key, "must be a class name such as com.example.Main");
    keys.mainClass = &node;
    planRecord(keys, record::kMainClass, mainClass, node, key);
}

// Each list element one option; the record separates them by blanks.
void readOptionList(ServiceKeys &keys, int32_t id, const toml::node &node, const std::string &key) {
    std::vector<std::string> options = textListOf(node, key);
    for (const std::string &option : options)
        if (option.empty() || option.find_first_of("\r\n") != std::string::npos)
            failKey(node, key, "holds an empty element or a line break");
    planRecord(keys, id, joinTokens(options), node, key);
}

// Lines of the .vmoptions file; the launcher trims lines and skips comments,
// so an option that would change on the way is refused.
void readVmOptionsFileLines(ServiceKeys &keys, const toml::node &node, const std::string &key) {
    for (const std::string &line : textListOf(node, key)) {
        if (line.empty() || line.find_first_of("\r\n") != std::string::npos || line.front() == '#' ||
            isspace(static_cast<unsigned char>(line.front())) || isspace(static_cast<unsigned char>(line.back())))
            failKey(node, key,
                    "\"" + line + "\" cannot be a line of the .vmoptions file (empty, a line break, "
                    "blanks around it or a leading #)");
        keys.project->folder.vmOptionLines.push_back(line);
    }
    keys.vmOptionsFile = &node;
    keys.project->folder.hasVmOptionsFile = true;
}

void readJavaSection(ServiceKeys &keys, const toml::table &table) {
    for (auto &&[key, value] : table) {
        std::string name(key.str()), path = "java." + name;
        if (name == "main_class") {
            readMainClass(keys, value, path);
        } else if (name == "module") {
            keys.moduleFlag = &value;
            planFlag(keys, record::kMainInModule, value, path);
        } else if (name == "class_path") {
            planRecord(keys, record::kClassPath, pathEntriesOf(value, path), value, path);
        } else if (name == "module_path") {
            planRecord(keys, record::kModulePath, pathEntriesOf(value, path), value, path);
        } else if (name == "vm_options") {
            readOptionList(keys, record::kVmParameters, value, path);
        } else if (name == "arguments") {
            readOptionList(keys, record::kMainArguments, value, path);
        } else if (name == "vmoptions_file") {
            readVmOptionsFileLines(keys, value, path);
        } else if (name == "read_vmoptions_file") {
            keys.readVmOptionsFile = &value;
            planFlag(keys, record::kDefaultVmOptionsFile, value, path);
        } else {
            unknownKey(value, "java", name,
                       "main_class, module, class_path, module_path, vm_options, vmoptions_file, "
                       "read_vmoptions_file, arguments");
        }
    }
}

void readVersionBound(ServiceKeys &keys, int32_t id, const toml::node &node, const std::string &key) {
    if (node.is_floating_point())
        failKey(node, key, "write the version as a text, e.g. \"1.8\" (a number like 1.10 would lose its 0)");
    std::string text = node.is_integer() ? std::to_string(node.as_integer()->get()) : recordTextOf(node, key);
    if (!isVersionBoundText(text))
        failKey(node, key, "\"" + text + "\" is no Java version such as \"1.8\", \"11\" or \"17.0.2\"");
    (id == record::kMinimumVersion ? keys.minimum : keys.maximum) = &node;
    planRecord(keys, id, text, node, key);
}

void readPreferredRuntime(ServiceKeys &keys, const toml::node &node, const std::string &key) {
    std::string directory = recordTextOf(node, key);
    if (directory.empty() || directory.find_first_of("\r\n") != std::string::npos)
        failKey(node, key, "must be one directory path");
    keys.project->folder.preferredRuntime = windowsPath(directory);
    keys.project->folder.preferredRuntimeGiven = stringOf(node, key);
}

void readRuntimeSection(ServiceKeys &keys, const toml::table &table) {
    for (auto &&[key, value] : table) {
        std::string name(key.str()), path = "runtime." + name;
        if (name == "min_version") {
            readVersionBound(keys, record::kMinimumVersion, value, path);
        } else if (name == "max_version") {
            readVersionBound(keys, record::kMaximumVersion, value, path);
        } else if (name == "allow_beta") {
            planFlag(keys, record::kAllowBeta, value, path);
        } else if (name == "require_jdk") {
            planFlag(keys, record::kRequireJdk, value, path);
        } else if (name == "search") {
            planRecord(keys, record::kSearchSequence, searchEntriesOf(value, path), value, path);
        } else if (name == "trust_directories") {
            planFlag(keys, record::kForceDirectoryEntries, value, path);
        } else if (name == "preferred") {
            readPreferredRuntime(keys, value, path);
        } else {
            unknownKey(value, "runtime", name,
                       "min_version, max_version, allow_beta, require_jdk, search, trust_directories, preferred");
        }
    }
}

// A file name, true for the usual file, or false for no redirection.
void readRedirection(ServiceKeys &keys, int32_t flagId, const toml::node &node, const std::string &key) {
    int32_t fileId = flagId + 1;
    if (node.is_boolean()) {
        planRecord(keys, flagId, node.as_boolean()->get() ? "1" : "0", node, key);
        if (!node.as_boolean()->get())
            planRecord(keys, fileId, "", node, key);
        return;
    }
    if (!node.is_string())
        failKey(node, key, "must be a file name, true or false");
    std::string file = windowsPath(recordTextOf(node, key));
    if (file.empty())
        failKey(node, key, "must not be empty; write false for no redirection");
    planRecord(keys, flagId, "1", node, key);
    planRecord(keys, fileId, file, node, key);
}

void readRotationSize(ServiceKeys &keys, const toml::node &node, const std::string &key) {
    uint64_t size = byteSizeOf(node, key);
    if (size < 1024)
        failKey(node, key, "is under 1 KB; a file that small would rotate at almost every line");
    planRecord(keys, record::kOutputMaxSize, std::to_string(size), node, key);
}

void readRotationKeep(ServiceKeys &keys, const toml::node &node, const std::string &key) {
    const toml::value<int64_t> *keep = node.as_integer();
    if (!keep || keep->get() < 0 || keep->get() > 1000)
        failKey(node, key, "must be a number of files from 0 (empty the file in place) to 1000");
    planRecord(keys, record::kOutputKeep, std::to_string(keep->get()), node, key);
}

void readOutputSection(ServiceKeys &keys, const toml::table &table) {
    for (auto &&[key, value] : table) {
        std::string name(key.str()), path = "output." + name;
        if (name == "stdout")
            readRedirection(keys, record::kRedirectOutput, value, path);
        else if (name == "stderr")
            readRedirection(keys, record::kRedirectError, value, path);
        else if (name == "append")
            planFlag(keys, record::kAppendOutput, value, path);
        else if (name == "max_size")
            readRotationSize(keys, value, path);
        else if (name == "keep")
            readRotationKeep(keys, value, path);
        else
            unknownKey(value, "output", name, "stdout, stderr, append, max_size, keep");
    }
}

void readInstanceSection(ServiceKeys &keys, const toml::table &table) {
    for (auto &&[key, value] : table) {
        std::string name(key.str()), path = "instance." + name;
        if (name == "single") {
            planFlag(keys, record::kSingleInstance, value, path);
        } else if (name == "scope") {
            std::string scope = choiceOf(value, path, {"session", "global", "user"});
            planRecord(keys, record::kInstanceAllSessions, scope == "global" ? "1" : "0", value, path);
            planRecord(keys, record::kInstancePerSession, scope == "session" ? "1" : "0", value, path);
        } else {
            unknownKey(value, "instance", name, "single, scope");
        }
    }
}

void readFolderFile(const std::string &projectName, ServiceKeys &keys, const toml::node &element) {
    const toml::table &table = tableOf(element, "file", "an entry of [[file]]");
    for (auto &&[key, value] : table)
        if (key.str() != "source" && key.str() != "name")
            unknownKey(value, "file", std::string(key.str()), "source, name");
    const toml::node *source = table.get("source");
    if (!source)
        failKey(element, "file.source", "required: the file or directory to copy into the folder");
    FolderFile file;
    std::string pathProblem = hostPathProblem(stringOf(*source, "file.source"));
    if (!pathProblem.empty())
        failKey(*source, "file.source", pathProblem);
    file.source = resolveBesideProject(projectName, stringOf(*source, "file.source"));
    std::error_code error;
    if (!std::filesystem::exists(file.source, error))
        failKey(*source, "file.source", "cannot find " + file.source);
    std::string name = defaultFolderName(file.source);
    if (const toml::node *given = table.get("name"))
        name = stringOf(*given, "file.name");
    std::string problem;
    if (!normalizeFolderName(name, &file.name, &problem))
        failKey(table.get("name") ? *table.get("name") : *source, "file.name", problem);
    keys.project->folder.files.push_back(file);
}

void readFolderFiles(const std::string &projectName, ServiceKeys &keys, const toml::node &node) {
    const toml::array *entries = node.as_array();
    if (!entries)
        failKey(node, "file", "must be an array of tables ([[file]])");
    for (const toml::node &element : *entries)
        readFolderFile(projectName, keys, element);
}

// Line of a section for a key that is missing from it, else the first line.
const toml::node &whereMissing(const toml::node *section, const toml::table &root) {
    return section ? *section : static_cast<const toml::node &>(root);
}

// The launcher type holds both the start mode and how errors are shown.
void planLauncherType(ServiceKeys &keys) {
    const toml::node *origin = keys.launcherType ? keys.launcherType : keys.start;
    if (!origin)
        return;
    std::string value;
    if (keys.launcherTypeName == "console")
        value = std::to_string(keys.autoStart ? launcher_type::kAutomaticService : launcher_type::kDemandService);
    else if (keys.autoStart)
        failKey(keys.start ? *keys.start : *keys.launcherType, keys.start ? "service.start" : "service.launcher_type",
                "start = \"auto\" needs launcher_type = \"console\"; a " + keys.launcherTypeName +
                    " launcher starts on demand (set service.start = \"demand\")");
    else
        value = std::to_string(keys.launcherTypeName == "windowed" ? launcher_type::kWindowed
                                                                   : launcher_type::kMessageBoxConsole);
    planRecord(keys, record::kLauncherType, value, *origin, keys.launcherType ? "service.launcher_type" : "service.start");
}

void checkMainClassForm(ServiceKeys &keys, const toml::table &root) {
    if (!keys.mainClass)
        failKey(whereMissing(keys.javaTable, root), "java.main_class",
                "required: the class whose main method starts your application");
    bool module = keys.records.count(record::kMainInModule) && keys.records[record::kMainInModule].value == "1";
    bool moduleForm = keys.records[record::kMainClass].value.find('/') != std::string::npos;
    if (moduleForm && !module)
        failKey(*keys.mainClass, "java.main_class",
                "is in the form module/class; set java.module = true for a class in a named module, or write "
                "the class name with dots only");
    if (module && !moduleForm)
        failKey(*keys.moduleFlag, "java.module", "needs java.main_class in the form module/class");
}

void checkVersionBounds(ServiceKeys &keys) {
    const std::string &minimum = keys.records[record::kMinimumVersion].value, &maximum = keys.records[record::kMaximumVersion].value;
    if (!isMinimumAboveMaximum(minimum, maximum))
        return;
    std::string hint;
    if (!keys.minimum)
        hint = " (" + minimum + " is the default of runtime.min_version)";
    if (!keys.maximum)
        hint = " (" + maximum + " is the default of runtime.max_version)";
    failKey(keys.minimum ? *keys.minimum : *keys.maximum, keys.minimum ? "runtime.min_version" : "runtime.max_version",
            "no Java version is at least " + minimum + " and at most " + maximum + hint);
}

void checkVmOptionsFile(ServiceKeys &keys) {
    if (keys.vmOptionsFile && keys.records[record::kDefaultVmOptionsFile].value == "0")
        failKey(*keys.readVmOptionsFile, "java.read_vmoptions_file",
                "is false, so the launcher would ignore the lines of java.vmoptions_file");
}

// The executable's default name is the service name; a name Windows refuses
// as a file name needs service.executable.
void planExecutableName(ServiceKeys &keys, const toml::table &root) {
    if (!keys.name)
        failKey(whereMissing(keys.serviceTable, root), "service.name",
                "required: the name Windows knows the service by");
    std::string &executable = keys.project->folder.executableName;
    if (!executable.empty())
        return;
    const std::string &name = keys.records[record::kServiceName].value;
    if (hasFileNameCharacter(name) || name.back() == '.' || name.back() == ' ')
        failKey(*keys.name, "service.name",
                "cannot name the executable; set service.executable = \"Something.exe\"");
    executable = name + ".exe";
}

// Defaults (no origin) give way to raw records like the others.
void planRobustness(ServiceKeys &keys, const toml::table &root) {
    checkReadyKeys(keys.robustness, whereMissing(keys.serviceTable, root));
    for (const RobustnessRecord &planned : robustnessRecords(keys.robustness)) {
        if (planned.origin)
            planRecord(keys, planned.id, planned.value, *planned.origin, planned.key);
        else
            keys.records[planned.id] = PlannedRecord{planned.value, nullptr, ""};
    }
}

void checkCombinations(ServiceKeys &keys, const toml::table &root) {
    planExecutableName(keys, root);
    checkMainClassForm(keys, root);
    checkVersionBounds(keys);
    checkVmOptionsFile(keys);
    planLauncherType(keys);
    planRobustness(keys, root);
}

// Defaults give way to raw records; a key and a raw record for the same id clash.
void mergeRecords(const ServiceKeys &keys, const RawOrigins &raw, PackageProject *project) {
    for (const auto &[id, planned] : keys.records) {
        auto rawRecord = raw.records.find(id);
        if (rawRecord == raw.records.end()) {
            setRecord(project->content, id, planned.value);
            continue;
        }
        if (planned.origin)
            fail(*rawRecord->second, "record " + std::to_string(id) + " is also set by " + planned.key +
                                         " (line " + std::to_string(lineOf(*planned.origin)) + "); keep one");
    }
    if (keys.description && raw.description)
        fail(*raw.description, "message 20017 is also set by service.description (line " +
                                   std::to_string(lineOf(*keys.description)) + "); keep one");
}

}  // namespace

bool isServiceSection(const std::string &key) {
    return key == "service" || key == "java" || key == "runtime" || key == "output" || key == "instance" ||
           key == "file";
}

void applyServiceSections(const std::string &projectName, const toml::table &root, const RawOrigins &raw,
                          PackageProject *project) {
    ServiceKeys keys;
    keys.project = project;
    for (const SettingRow &setting : kSettingsSchema)
        if (setting.packDefault && !isRobustnessRecord(setting.id))
            keys.records[setting.id] = PlannedRecord{setting.packDefault, nullptr, ""};
    for (auto &&[key, value] : root) {
        std::string section(key.str());
        if (section == "service") {
            keys.serviceTable = &value;
            readServiceSection(keys, tableOf(value, section, "[service]"));
        } else if (section == "java") {
            keys.javaTable = &value;
            readJavaSection(keys, tableOf(value, section, "[java]"));
        } else if (section == "runtime") {
            readRuntimeSection(keys, tableOf(value, section, "[runtime]"));
        } else if (section == "output") {
            readOutputSection(keys, tableOf(value, section, "[output]"));
        } else if (section == "instance") {
            readInstanceSection(keys, tableOf(value, section, "[instance]"));
        } else if (section == "file") {
            readFolderFiles(projectName, keys, value);
        }
    }
    checkCombinations(keys, root);
    mergeRecords(keys, raw, project);
}

std::string defaultFolderName(const std::string &source) {
    std::filesystem::path path = std::filesystem::path(source).lexically_normal();
    return (path.has_filename() ? path.filename() : path.parent_path().filename()).string();
}

bool normalizeFolderName(const std::string &name, std::string *normalized, std::string *error) {
    normalized->clear();
    if (name.empty() || name[0] == '/' || name[0] == '\\') {
        *error = "\"" + name + "\" must be a path relative to the service folder";
        return false;
    }
    size_t begin = 0;
    for (;;) {
        size_t end = name.find_first_of("/\\", begin);
        std::string segment = name.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        if (segment.empty() || isDotSegment(segment, 0, segment.size()) || hasFileNameCharacter(segment) ||
            segment.back() == ' ' || segment.back() == '.') {
            *error = "\"" + name + "\" must stay inside the service folder and use names Windows accepts";
            return false;
        }
        *normalized += (normalized->empty() ? "" : "/") + segment;
        if (end == std::string::npos)
            return true;
        begin = end + 1;
    }
}
