#include "runtime/environment_rules.h"

bool isEnvironmentName(const std::string &name) {
    return !name.empty() && name.find('=') == std::string::npos && name.find('\0') == std::string::npos;
}

bool isEnvironmentValue(const std::string &value) { return value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos; }

std::vector<EnvironmentSetting> parseEnvironmentRecord(const std::string &record, std::vector<std::string> *refused) {
    std::vector<EnvironmentSetting> settings;
    size_t begin = 0;
    while (begin < record.size()) {
        size_t end = record.find('\n', begin);
        if (end == std::string::npos)
            end = record.size();
        std::string line = record.substr(begin, end - begin);
        begin = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        // The name ends at the first "=", so a name can never hold one.
        size_t equals = line.find('=');
        std::string name = line.substr(0, equals);
        if (equals == std::string::npos || !isEnvironmentName(name)) {
            refused->push_back(line);
            continue;
        }
        settings.push_back(EnvironmentSetting{name, line.substr(equals + 1)});
    }
    return settings;
}

std::string environmentRecordText(const std::vector<EnvironmentSetting> &settings) {
    std::string text;
    for (const EnvironmentSetting &setting : settings)
        text += (text.empty() ? "" : "\n") + setting.name + "=" + setting.value;
    return text;
}
