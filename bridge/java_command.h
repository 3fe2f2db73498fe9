// How the launcher's JNI request becomes a Linux "java" command line: which
// options keep their meaning on Linux, which carry Windows paths that must be
// translated, which are dropped. No Win32 here; paths are translated through
// the caller's function. All texts are UTF-8.
#ifndef PELLUX_BRIDGE_JAVA_COMMAND_H
#define PELLUX_BRIDGE_JAVA_COMMAND_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

// Returns the Unix path the Linux JVM opens for a Windows path (or the input
// unchanged when it has none).
typedef std::function<std::string(const std::string &windowsPath)> PathTranslator;

// Everything the JNI dialogue hands over before main is called.
struct JavaLaunch {
    std::vector<std::string> vmOptions;                             // in JNI order
    std::vector<std::pair<std::string, std::string>> properties;   // from System.setProperty
    std::string entryClass;                                         // JNI form, "a/b/C"
    std::vector<std::string> mainArguments;
};

// "C:\x", "c:/x" or "\\server\share": a path no Linux program can open as is.
bool isWindowsAbsolutePath(const std::string &text);

// A ";"-separated Windows list as a ":"-separated Unix list; empty entries go.
std::string translatePathList(const std::string &list, const PathTranslator &translate);

// A property value that is one Windows absolute path, or a ";"-list of them,
// is translated; any other value is kept.
std::string translatePropertyValue(const std::string &value, const PathTranslator &translate);

// One VM option in the form the Linux launcher takes. Returns false when the
// option means nothing to a Linux VM and is left out.
bool translateVmOption(const std::string &option, const PathTranslator &translate,
                       std::string &linuxOption);

// The Linux argument vector: java, options, recorded properties, entry class
// with dots, main's arguments (the launcher's redirection file parameters,
// positions 3 and 4, translated when they are Windows paths).
std::vector<std::string> buildJavaCommand(const std::string &javaPath, const JavaLaunch &launch,
                                          const PathTranslator &translate);

// java.exe's own arguments for the Linux launcher: options translated as
// above, the values of the class and module path switches translated, and
// everything from the main class or jar on passed through.
std::vector<std::string> translateJavaExeArguments(const std::vector<std::string> &arguments,
                                                   const PathTranslator &translate);

#endif
