// Lays out stand-in Java runtime homes for tests: java.exe and javaw.exe with
// a chosen "-version" banner and exit code, jvm.dll in a chosen VM directory
// with a chosen case to act out, jli.dll, packed jars with unpack200.exe and
// lib\tools.jar. Directories are relative to the home.
#ifndef PELLUX_STANDINS_RUNTIME_HOME_H
#define PELLUX_STANDINS_RUNTIME_HOME_H

#include <string>
#include <vector>

struct RuntimeHomeLayout {
    std::string version = "17.0.2";  // put into an OpenJDK banner, unless banner is set
    std::string banner;              // the exact text java.exe writes to standard error
    int javaExitCode = 0;
    int javaHeldOutputMs = 0;  // a child keeps java.exe's standard error open this long
    bool javaFloods = false;   // java.exe writes without pause after its banner
    std::wstring javaDirectory = L"bin";  // java.exe and javaw.exe; L"jre\\bin" for an old JDK
    bool withJavaw = true;
    // Nonzero: written into java.exe's PE header (e.g. 0x14C for x86), to
    // test the word-size check; a patched java.exe may no longer start.
    unsigned short javaMachine = 0;
    // L"bin\\client", L"bin\\server", L"bin\\custom", L"jre\\bin\\server"; empty: no jvm.dll.
    std::wstring vmDirectory = L"bin\\server";
    std::string jvmSettings;            // standin-jvm.cfg, e.g. "main=throw\n"
    bool jvmWithoutEntryPoint = false;  // a jvm.dll that lacks JNI_CreateJavaVM
    // More VM directories, each with its own jvm.dll and the same settings,
    // e.g. L"bin\\client" beside L"bin\\server"; their records lie beside them.
    std::vector<std::wstring> extraVmDirectories;
    std::wstring jliDirectory = L"bin";    // empty: no jli.dll
    std::vector<std::wstring> packedJars;  // e.g. L"lib\\rt.jar.pack"
    bool withUnpack200 = true;             // bin\unpack200.exe
    std::string unpackSettings;            // standin-unpack200.cfg
    bool withToolsJar = false;             // lib\tools.jar
};

// Where the pieces of a laid-out home are; paths of absent pieces stay set
// so that tests can check their absence.
struct RuntimeHome {
    std::wstring home;
    std::wstring javaExe;
    std::wstring javawExe;
    std::wstring jvmDll;
    std::wstring jliDll;
    std::wstring unpack200Exe;
    std::wstring javaRuns;    // standin-java-runs.txt
    std::wstring jvmRecord;   // standin-jvm-record.txt
    std::wstring jvmConfig;   // standin-jvm.cfg
    std::wstring jliRecord;   // standin-jli-record.txt
    std::wstring unpackRuns;  // standin-unpack200-runs.txt
};

// The directory the build put the stand-ins in.
std::wstring standinsDirectory();

// Creates the home below directory (made as needed) and fills home with its
// paths. On failure returns false with the failing step in error.
bool layOutRuntimeHome(const std::wstring &directory, const RuntimeHomeLayout &layout,
                       RuntimeHome &home, std::string &error);

// The record file of the jvm.dll in a VM directory of the home.
std::wstring jvmRecordIn(const RuntimeHome &home, const std::wstring &vmDirectory);

// Replaces the jvm.dll settings of a laid-out home.
bool writeJvmSettings(const RuntimeHome &home, const std::string &settings);

// A new empty directory below the temporary directory, unique to this process
// and call; an old one of the same name is removed first.
std::wstring createScratchDirectory(const std::wstring &purpose);
// Removes the directory with everything in it; true when it is gone.
bool removeDirectoryTree(const std::wstring &directory);
// Creates the directory and its missing parents.
bool createDirectories(const std::wstring &directory);

#endif
