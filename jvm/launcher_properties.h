// The system properties the launcher hands to the VM ahead of every other
// option, and the parameters of the Java entry class's main.
#ifndef PELLUX_JVM_LAUNCHER_PROPERTIES_H
#define PELLUX_JVM_LAUNCHER_PROPERTIES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/capacities.h"
#include "common/string_list.h"

// Every launcher property is formatted into a buffer of kTextCapacity; the
// library path gets this larger one. A longer text is cut there and logged.
const size_t kLibraryPathPropertyCapacity = 12000;

struct LauncherPropertyValues {
    std::string semaphoreName;  // empty: no instance semaphore, no property
    bool zanthorFlavour = false;
    bool serviceMode = false;
    std::string executablePath;
    std::string tempDir;
    uint32_t unextractedOffset = 0;
    std::string path;            // PATH as the runtime loading left it
    bool manpathDefined = false;  // "MANPATH" set: no console code page property
    unsigned consoleCodepage = 0;
    uint64_t outputMaxSize = 0;   // 0: redirected files are not rotated
    int32_t outputKeep = 0;
    std::string serviceChannel;  // empty: the host opened no channel back to it
    bool outputRefusesLinks = false;  // record 30404
};

// The service host names the channel it reads for this start here:
// "TOKEN,PING_INTERVAL_MS"; the worker hands it to the VM as a property.
extern const char kServiceChannelVariable[];

// The properties in the order the Java side expects them.
std::vector<std::string> buildLauncherProperties(const LauncherPropertyValues &values);

// The Java entry class and the module that holds it, by launcher flavour.
const char *launcherClassName(char flavour);
const char *launcherRuntimeModule(char flavour);

struct LauncherParameterValues {
    bool windowed = false;          // launcher type 1
    bool moduleMainClass = false;   // record 133: the main class is module/class
    std::wstring mainClass;         // record 122
    std::wstring errorFile;         // empty when not redirected
    std::wstring outputFile;
    bool appendOutput = false;      // record 106
};

// The five parameters that lead main's argument list.
StringList buildLauncherParameters(const LauncherParameterValues &values);

// main's whole argument list: the five launcher parameters, the first launcher
// argument, the configured arguments (record 124), then the other launcher
// arguments less those meant for the VM: "-Dsun.locale.formatasdefault=..."
// always, "-J..." when vmArgumentsInList (record 125).
StringList buildMainParameters(const StringList &launcherParameters, const StringList &arguments,
                               const StringList &configuredArguments, bool vmArgumentsInList);

#endif
