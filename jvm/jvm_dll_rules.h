// The decisions of loading jvm.dll that need no system call: where to look,
// when to preload the C runtime, how PATH grows, which message a failure shows.
#ifndef PELLUX_JVM_JVM_DLL_RULES_H
#define PELLUX_JVM_JVM_DLL_RULES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The VM subdirectories of a bin directory in the order they are tried: the
// configured one (record 152) first when given, then the usual VM names.
std::vector<std::string> vmSubdirectories(const std::string &configured);

// Newer runtimes need the universal C runtime, which systems before version
// 6.4 (the first Windows 10 builds) may lack; the runtime then brings its own.
bool needsUcrtbasePreload(unsigned long majorVersion, unsigned long minorVersion);

// The bin directory of a development kit's nested runtime: bin\..\jre\bin.
std::string nestedJreBinDirectory(const std::string &binDirectory);

// directory;oldPath, or directory; when PATH is unset.
std::string pathWithDirectoryInFront(const std::string &directory, const std::string &oldPath);

// The native library directories in front of the old PATH: the entries joined
// with ";" and followed by one ";" when there are any, then as much of the old
// PATH as fits into capacity - 1 bytes. cut is set when something was left out.
std::string composeNativeLibraryPath(const std::vector<std::string> &entries, const std::string &oldPath,
                                     size_t capacity, bool *cut);

// What LoadDLL shows when no jvm.dll could be loaded, by the kind of location
// the search found the runtime in (0 none, 1 search path, 2 directory,
// 3 environment variable, 4 registry). Messages that name a word size name
// the build's own.
struct LoadFailureMessage {
    enum class Argument { TargetBits, LocationName, None };
    int32_t id;
    Argument argument;
};
LoadFailureMessage loadFailureMessage(int32_t locationKind);

#endif
