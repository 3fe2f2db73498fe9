#include "instance/instance_name.h"

InstancePrefix chooseInstancePrefix(bool allSessions, bool perSession, const char *userSid) {
    if (allSessions)
        return {"Global\\", true};
    if (perSession || userSid == nullptr)
        return {"Local\\", false};
    return {std::string("Global\\") + userSid, true};
}

std::string semaphoreNameOf(const std::string &prefix, const std::string &instancePath) {
    std::string name = prefix;
    for (char c : instancePath)
        name.push_back(c == '\\' || c == ' ' ? '_' : c);
    return name;
}
