#include "instance/instance_name.h"

InstancePrefix chooseInstancePrefix(bool allSessions, bool perSession, const char *userSid) {
    if (allSessions)
        return {"Global\\", true, true};
    if (perSession || userSid == nullptr)
        return {"Local\\", false, false};
    return {std::string("Global\\") + userSid, true, false};
}

std::string semaphoreNameOf(const std::string &prefix, const std::string &instancePath) {
    std::string name = prefix;
    for (char c : instancePath)
        name.push_back(c == '\\' || c == ' ' ? '_' : c);
    return name;
}
