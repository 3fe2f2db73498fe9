// How copies of one executable find each other: the semaphore name built
// from a namespace prefix and the executable's path. No Win32 here.
#ifndef PELLUX_INSTANCE_INSTANCE_NAME_H
#define PELLUX_INSTANCE_INSTANCE_NAME_H

#include <string>

struct InstancePrefix {
    std::string text;
    // A "Global\" name is reachable from other sessions and users, so its
    // semaphore gets a descriptor that lets everyone open it.
    bool openToEveryone;
    // Copies of other users look for the same name (all sessions).
    bool otherUsers;
};

// Record 158 (all sessions) wins over record 200 (one session); with
// neither, the prefix is per user: "Global\" and the user's SID, or
// "Local\" when the SID could not be read (userSid null).
InstancePrefix chooseInstancePrefix(bool allSessions, bool perSession, const char *userSid);

// Object names take no further backslashes, and blanks are avoided: both
// become "_".
std::string semaphoreNameOf(const std::string &prefix, const std::string &instancePath);

#endif
