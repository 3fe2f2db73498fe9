// Reads what the stand-ins recorded, for tests: the runs of java.exe /
// javaw.exe and unpack200.exe, the calls jli.dll received, and everything
// jvm.dll saw of a launcher's JNI dialogue. A missing record file reads as no
// runs. Null values read as STANDIN_NULL_TEXT where a text is expected.
#ifndef PELLUX_STANDINS_STANDIN_RECORD_H
#define PELLUX_STANDINS_STANDIN_RECORD_H

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "standins/standin_format.h"

struct RecordEvent {
    std::string name;
    RecordFields fields;
    // The field as text; STANDIN_NULL_TEXT for null, "" when absent.
    std::string field(size_t index) const;
};

// One run: the events a process recorded after its "run" line.
struct StandinRun {
    unsigned long processId = 0;
    std::string module;  // the stand-in's own path (UTF-8)
    std::vector<RecordEvent> events;
};

// Runs in the order they started; lines of processes that interleave are
// given to their own run.
std::vector<StandinRun> parseStandinRuns(const std::string &text);
std::vector<StandinRun> readStandinRuns(const std::wstring &path);

// One run of java.exe or javaw.exe.
struct JavaRun {
    unsigned long processId = 0;
    std::string program;      // full path of the executable that ran
    std::string commandLine;  // as the process received it
    // _JAVA_OPTIONS, JDK_JAVA_OPTIONS, JAVA_TOOL_OPTIONS: value, or nullopt when unset.
    std::map<std::string, RecordField> environment;
    int exitCode = 0;
};
std::vector<JavaRun> readJavaRuns(const std::wstring &path);

// One run of unpack200.exe.
struct UnpackRun {
    unsigned long processId = 0;
    std::string program;
    std::string commandLine;
    std::string archive;
    std::string jar;
    bool jarWritten = false;
    bool archiveRemoved = false;
    int exitCode = 0;
};
std::vector<UnpackRun> readUnpackRuns(const std::wstring &path);

struct JliPreprocessCall {
    std::string argument;
    bool expandSourceOpt = false;
    bool afterInit = false;  // JLI_InitArgProcessing was called before it
    std::string result;      // JLI_RESULT_NULL, JLI_RESULT_LIST or JLI_RESULT_MISSING
    std::vector<std::string> elements;
};

// One process's use of jli.dll.
struct JliRecord {
    unsigned long processId = 0;
    bool loaded = false;
    std::vector<std::pair<bool, bool>> initCalls;  // hasJavaArgs, disableArgFile
    std::vector<JliPreprocessCall> preprocessCalls;
    std::vector<std::string> frees;  // "list", "elements", "null" or "unknown"
};
std::vector<JliRecord> readJliRecords(const std::wstring &path);

struct ClassLookup {
    std::string name;
    bool found = false;
};

struct MethodLookup {
    bool isStatic = false;
    std::string className;
    std::string name;
    std::string signature;
    bool found = false;
};

struct StaticCall {
    std::string className;
    std::string name;
    std::string signature;
    std::vector<std::string> arguments;  // booleans as "true"/"false", strings as their text
};

// One run of jvm.dll: one JNI_CreateJavaVM and what followed it.
struct StandinRecord {
    bool present = false;  // false when the file holds no run
    unsigned long processId = 0;
    std::string module;
    bool loaded = false;         // the run began with loading the DLL
    bool refusedToLoad = false;  // failLoad: DllMain said no
    unsigned long jniVersion = 0;
    bool ignoreUnrecognized = false;
    std::vector<std::string> options;
    std::map<std::string, std::string> settings;  // the case acted out
    unsigned long long stackReserve = 0;          // of the thread that created the VM
    bool createCalled = false;
    int createResult = 0;
    std::vector<ClassLookup> classLookups;
    std::vector<MethodLookup> methodLookups;
    std::vector<StaticCall> staticCalls;
    bool mainCalled = false;
    std::vector<std::string> mainArguments;
    std::string mainAction;
    bool mainReturned = false;
    std::vector<std::string> splashArguments;                     // the 14 of initAwtSplashConfig
    std::vector<bool> initFromLauncherArguments;                  // one per call
    std::vector<std::pair<std::string, std::string>> properties;  // System.setProperty, in order
    std::vector<std::string> stringsCreated;  // NewString and NewStringUTF, in order
    std::vector<std::pair<std::string, std::string>> natives;  // RegisterNatives: name, signature
    std::string nativesClass;
    std::vector<std::string> nativeResults;  // "1", "0" or "skipped"
    std::vector<std::string> deletedReferences;
    std::vector<std::string> exceptionsThrown;  // "class: text" of exceptions the VM raised
    int exceptionOccurredCalls = 0;
    int exceptionDescribeCalls = 0;
    int exceptionClearCalls = 0;
    int unreleasedStringChars = 0;  // Get*Chars without their Release*
    std::vector<std::string> stdinLines;
    std::string stdinEnd;  // STDIN_END_STOP_LINE, STDIN_END_EOF or ""
    bool exited = false;   // main ended the process like System.exit
    int exitCode = 0;
    bool destroyed = false;
    bool destroyedOnCreatingThread = false;
    std::vector<std::string> traps;   // e.g. "unexpected JNI slot 5"
    std::vector<RecordEvent> events;  // all of the run, in order

    bool hasOption(const std::string &option) const;
    // Index of the first event with the name (and first field, when given) at
    // or after start, or -1.
    int findEvent(const std::string &name, size_t start = 0) const;
    int findEvent(const std::string &name, const std::string &firstField, size_t start = 0) const;
};

StandinRecord interpretJvmRun(const StandinRun &run);
std::vector<StandinRecord> readStandinRecords(const std::wstring &path);
// The last run, or a record with present == false.
StandinRecord readStandinRecord(const std::wstring &path);

#endif
