#include "bridge/java_command.h"

#include <cstring>

static bool startsWith(const std::string &text, const char *prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

static bool isOneOf(const std::string &text, const char *const *names) {
    for (; *names != nullptr; names++)
        if (text == *names)
            return true;
    return false;
}

bool isWindowsAbsolutePath(const std::string &text) {
    if (text.size() >= 3 && text[1] == ':' && (text[2] == '\\' || text[2] == '/')) {
        char drive = text[0];
        return (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
    }
    return startsWith(text, "\\\\");
}

static std::vector<std::string> splitList(const std::string &list, char separator) {
    std::vector<std::string> pieces;
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t end = list.find(separator, pos);
        if (end == std::string::npos)
            end = list.size();
        if (end > pos)
            pieces.push_back(list.substr(pos, end - pos));
        pos = end + 1;
    }
    return pieces;
}

std::string translatePathList(const std::string &list, const PathTranslator &translate) {
    std::string joined;
    for (const std::string &entry : splitList(list, ';')) {
        if (!joined.empty())
            joined += ':';
        joined += translate(entry);
    }
    return joined;
}

std::string translatePropertyValue(const std::string &value, const PathTranslator &translate) {
    if (isWindowsAbsolutePath(value) && value.find(';') == std::string::npos)
        return translate(value);
    std::vector<std::string> entries = splitList(value, ';');
    if (entries.empty())
        return value;
    for (const std::string &entry : entries)
        if (!isWindowsAbsolutePath(entry))
            return value;
    return translatePathList(value, translate);
}

// "name=value" with the value translated when it is a Windows path.
static std::string withTranslatedValue(const std::string &option, const PathTranslator &translate) {
    size_t equals = option.find('=');
    if (equals == std::string::npos)
        return option;
    return option.substr(0, equals + 1) + translatePropertyValue(option.substr(equals + 1), translate);
}

bool translateVmOption(const std::string &option, const PathTranslator &translate,
                       std::string &linuxOption) {
    // JNI hooks, not command-line options.
    static const char *const hooks[] = {"vfprintf", "exit", "abort", nullptr};
    static const char *const pathListOptions[] = {"-Djava.class.path=", "--module-path=",
                                                  "--upgrade-module-path=", "-Xbootclasspath/a:",
                                                  nullptr};
    if (isOneOf(option, hooks))
        return false;
    // The launcher fills it with the Windows PATH; the Linux VM needs its own.
    if (startsWith(option, "-Djava.library.path="))
        return false;
    // A Windows agent library cannot load into a Linux VM.
    if (startsWith(option, "-agentpath:"))
        return false;
    for (const char *const *prefix = pathListOptions; *prefix != nullptr; prefix++) {
        if (startsWith(option, *prefix)) {
            size_t length = std::strlen(*prefix);
            linuxOption = option.substr(0, length) + translatePathList(option.substr(length), translate);
            return true;
        }
    }
    if (startsWith(option, "--patch-module=")) {
        size_t equals = option.find('=', std::strlen("--patch-module="));
        linuxOption = equals == std::string::npos
                          ? option
                          : option.substr(0, equals + 1) + translatePathList(option.substr(equals + 1), translate);
        return true;
    }
    if (startsWith(option, "-javaagent:")) {
        size_t start = std::strlen("-javaagent:");
        size_t equals = option.find('=', start);
        std::string jar = option.substr(start, equals == std::string::npos ? std::string::npos : equals - start);
        linuxOption = "-javaagent:" + translate(jar) +
                      (equals == std::string::npos ? std::string() : option.substr(equals));
        return true;
    }
    if (startsWith(option, "-Xloggc:")) {
        linuxOption = "-Xloggc:" + translate(option.substr(std::strlen("-Xloggc:")));
        return true;
    }
    if (startsWith(option, "@") && option.size() > 1) {
        linuxOption = "@" + translate(option.substr(1));
        return true;
    }
    if (startsWith(option, "-D") || startsWith(option, "-XX:")) {
        linuxOption = withTranslatedValue(option, translate);
        return true;
    }
    linuxOption = option;
    return true;
}

static std::string dottedClassName(std::string name) {
    for (char &c : name)
        if (c == '/')
            c = '.';
    return name;
}

std::vector<std::string> buildJavaCommand(const std::string &javaPath, const JavaLaunch &launch,
                                          const PathTranslator &translate) {
    // Positions of the standard error and standard output file parameters.
    const size_t firstRedirectionFile = 2, lastRedirectionFile = 3;
    std::vector<std::string> command{javaPath};
    std::string linuxOption;
    for (const std::string &option : launch.vmOptions)
        if (translateVmOption(option, translate, linuxOption))
            command.push_back(linuxOption);
    // After the options, so that these values win as they did in the VM.
    for (const auto &property : launch.properties)
        if (translateVmOption("-D" + property.first + "=" + property.second, translate, linuxOption))
            command.push_back(linuxOption);
    command.push_back(dottedClassName(launch.entryClass));
    for (size_t i = 0; i < launch.mainArguments.size(); i++) {
        const std::string &argument = launch.mainArguments[i];
        bool redirectionFile = i >= firstRedirectionFile && i <= lastRedirectionFile;
        command.push_back(redirectionFile && isWindowsAbsolutePath(argument) ? translate(argument)
                                                                            : argument);
    }
    return command;
}

std::vector<std::string> translateJavaExeArguments(const std::vector<std::string> &arguments,
                                                   const PathTranslator &translate) {
    static const char *const pathListSwitches[] = {"-cp", "-classpath", "--class-path", "-p",
                                                   "--module-path", "--upgrade-module-path", nullptr};
    static const char *const valueSwitches[] = {"--add-modules", "--limit-modules", "--add-exports",
                                                "--add-opens", "--add-reads", "--enable-native-access",
                                                "-d", "--describe-module",
                                                "--source", nullptr};
    static const char *const mainSwitches[] = {"-m", "--module", nullptr};
    std::vector<std::string> linux;
    std::string linuxOption;
    size_t i = 0;
    for (; i < arguments.size(); i++) {
        const std::string &argument = arguments[i];
        bool hasValue = i + 1 < arguments.size();
        if (hasValue && isOneOf(argument, pathListSwitches)) {
            linux.push_back(argument);
            linux.push_back(translatePathList(arguments[++i], translate));
        } else if (hasValue && argument == "--patch-module") {
            linux.push_back(argument);
            translateVmOption("--patch-module=" + arguments[++i], translate, linuxOption);
            linux.push_back(linuxOption.substr(std::strlen("--patch-module=")));
        } else if (hasValue && isOneOf(argument, valueSwitches)) {
            linux.push_back(argument);
            linux.push_back(arguments[++i]);
        } else if (hasValue && argument == "-jar") {
            linux.push_back(argument);
            linux.push_back(translate(arguments[++i]));
            i++;
            break;
        } else if (hasValue && isOneOf(argument, mainSwitches)) {
            linux.push_back(argument);
            linux.push_back(arguments[++i]);
            i++;
            break;
        } else if (startsWith(argument, "-")) {
            if (translateVmOption(argument, translate, linuxOption))
                linux.push_back(linuxOption);
        } else {
            break;
        }
    }
    // The main class and the application's own arguments pass unchanged.
    for (; i < arguments.size(); i++)
        linux.push_back(arguments[i]);
    return linux;
}
