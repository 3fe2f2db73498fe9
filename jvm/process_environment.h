// Environment variables as the launcher reads and changes them. The VM in this
// process reads the C runtime's copy of the environment, child processes the
// system's: a change must reach both.
#ifndef PELLUX_JVM_PROCESS_ENVIRONMENT_H
#define PELLUX_JVM_PROCESS_ENVIRONMENT_H

#include <string>

// The variable's value; size receives what the system reports for it
// (terminator included, 0 when unset), defined whether it exists.
std::string environmentValue(const char *name, unsigned long *size = nullptr, bool *defined = nullptr);

// Sets the variable in both environments, or removes it when not defined.
// False when the system refused; GetLastError tells why.
bool setVariableEverywhere(const char *name, const std::string &value, bool defined = true);
// Sets PATH in both environments, or removes it when not defined. False when
// the system refused; GetLastError tells why.
bool setPathEverywhere(const std::string &value, bool defined = true);

#endif
