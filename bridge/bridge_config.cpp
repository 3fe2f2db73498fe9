#include "bridge/bridge_config.h"

static std::string trimmed(const std::string &text) {
    const char *blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

BridgeConfig parseBridgeConfig(const std::string &text) {
    BridgeConfig config;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = trimmed(text.substr(pos, end - pos));
        pos = end + 1;
        size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos)
            continue;
        if (trimmed(line.substr(0, equals)) == "java_home")
            config.javaHome = trimmed(line.substr(equals + 1));
    }
    while (config.javaHome.size() > 1 && config.javaHome.back() == '/')
        config.javaHome.pop_back();
    return config;
}

std::string linuxJavaPath(const BridgeConfig &config) {
    if (config.javaHome.empty())
        return "java";
    if (config.javaHome == "/")
        return "/bin/java";
    return config.javaHome + "/bin/java";
}
