#include "standins/standin_record.h"

#include <cstdio>
#include <cstdlib>

#include "standins/standin_protocol.h"

namespace {

std::string readRecordText(const std::wstring &path) {
#ifdef _WIN32
    FILE *file = _wfopen(path.c_str(), L"rb");
#else
    FILE *file = fopen(std::string(path.begin(), path.end()).c_str(), "rb");
#endif
    std::string text;
    if (file == nullptr) return text;
    char chunk[4096];
    size_t got = 0;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
    fclose(file);
    return text;
}

int numberField(const RecordEvent &event, size_t index) {
    return static_cast<int>(strtol(event.field(index).c_str(), nullptr, 0));
}

bool flagField(const RecordEvent &event, size_t index) { return event.field(index) == "1"; }

std::vector<std::string> fieldsFrom(const RecordEvent &event, size_t first) {
    std::vector<std::string> texts;
    for (size_t i = first; i < event.fields.size(); ++i) texts.push_back(event.field(i));
    return texts;
}

void interpretStaticCall(const RecordEvent &event, StandinRecord &record) {
    StaticCall call{event.field(0), event.field(1), event.field(2), fieldsFrom(event, 3)};
    if (call.name == "initAwtSplashConfig") {
        record.splashArguments = call.arguments;
    } else if (call.name == "initFromLauncher" && !call.arguments.empty()) {
        record.initFromLauncherArguments.push_back(call.arguments[0] == "true");
    } else if (call.name == "setProperty" && call.arguments.size() == 2) {
        record.properties.emplace_back(call.arguments[0], call.arguments[1]);
    } else if (call.name == "main") {
        record.mainCalled = true;
    }
    record.staticCalls.push_back(call);
}

void interpretStringChars(const RecordEvent &event, StandinRecord &record) {
    const std::string &function = event.field(0);
    if (function.compare(0, 3, "Get") == 0) ++record.unreleasedStringChars;
    if (function.compare(0, 7, "Release") == 0) --record.unreleasedStringChars;
}

// Events about creation and the VM's life; false when the event is not one.
bool interpretLifeEvent(const RecordEvent &event, StandinRecord &record) {
    const std::string &name = event.name;
    if (name == EVENT_LOADED) {
        record.loaded = true;
        record.refusedToLoad = event.field(0) == "0";
    } else if (name == EVENT_VERSION) {
        record.jniVersion = strtoul(event.field(0).c_str(), nullptr, 0);
    } else if (name == EVENT_IGNORE_UNRECOGNIZED) {
        record.ignoreUnrecognized = flagField(event, 0);
    } else if (name == EVENT_OPTION) {
        record.options.push_back(event.field(0));
    } else if (name == EVENT_SETTING) {
        record.settings[event.field(0)] = event.field(1);
    } else if (name == EVENT_STACK) {
        record.stackReserve = strtoull(event.field(0).c_str(), nullptr, 10);
    } else if (name == EVENT_CREATE) {
        record.createCalled = true;
        record.createResult = numberField(event, 0);
    } else if (name == EVENT_DESTROY) {
        record.destroyed = true;
        record.destroyedOnCreatingThread = flagField(event, 0);
    } else if (name == EVENT_EXIT) {
        record.exited = true;
        record.exitCode = numberField(event, 0);
    } else if (name == EVENT_TRAP) {
        record.traps.push_back(event.field(0));
    } else {
        return false;
    }
    return true;
}

// Events of main and of stand-in's standard input.
bool interpretMainEvent(const RecordEvent &event, StandinRecord &record) {
    const std::string &name = event.name;
    if (name == EVENT_MAIN_ARGS) {
        record.mainArguments = fieldsFrom(event, 0);
    } else if (name == EVENT_MAIN_ENTER) {
        record.mainAction = event.field(0);
    } else if (name == EVENT_MAIN_LEAVE) {
        record.mainReturned = true;
    } else if (name == EVENT_STDIN_LINE) {
        record.stdinLines.push_back(event.field(0));
    } else if (name == EVENT_STDIN_END) {
        record.stdinEnd = event.field(0);
    } else {
        return false;
    }
    return true;
}

void interpretJniEvent(const RecordEvent &event, StandinRecord &record) {
    const std::string &name = event.name;
    if (name == EVENT_FIND_CLASS) {
        record.classLookups.push_back({event.field(0), flagField(event, 1)});
    } else if (name == EVENT_GET_METHOD) {
        record.methodLookups.push_back({event.field(0) == "static", event.field(1), event.field(2),
                                        event.field(3), flagField(event, 4)});
    } else if (name == EVENT_CALL_STATIC) {
        interpretStaticCall(event, record);
    } else if (name == EVENT_NEW_STRING || name == EVENT_NEW_STRING_UTF) {
        record.stringsCreated.push_back(event.field(0));
    } else if (name == EVENT_REGISTER_NATIVES) {
        record.nativesClass = event.field(0);
    } else if (name == EVENT_NATIVE) {
        record.natives.emplace_back(event.field(0), event.field(1));
    } else if (name == EVENT_NATIVE_RESULT) {
        record.nativeResults.push_back(event.field(0));
    } else if (name == EVENT_DELETE_LOCAL_REF) {
        record.deletedReferences.push_back(event.field(0));
    } else if (name == EVENT_THROW) {
        record.exceptionsThrown.push_back(event.field(1));
    } else if (name == EVENT_EXCEPTION_OCCURRED) {
        ++record.exceptionOccurredCalls;
    } else if (name == EVENT_EXCEPTION_DESCRIBE) {
        ++record.exceptionDescribeCalls;
    } else if (name == EVENT_EXCEPTION_CLEAR) {
        ++record.exceptionClearCalls;
    } else if (name == EVENT_STRING_CHARS) {
        interpretStringChars(event, record);
    }
}

}  // namespace

std::string RecordEvent::field(size_t index) const {
    if (index >= fields.size()) return std::string();
    return fields[index] ? *fields[index] : std::string(STANDIN_NULL_TEXT);
}

std::vector<StandinRun> parseStandinRuns(const std::string &text) {
    std::vector<StandinRun> runs;
    std::map<unsigned long, size_t> currentRunOfProcess;
    std::vector<std::string> lines = splitText(text, '\n');
    // The piece after the last line end is a line still being written.
    lines.pop_back();
    for (std::string line : lines) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        unsigned long processId = 0;
        RecordEvent event;
        if (!parseRecordLine(line, processId, event.name, event.fields)) continue;
        auto current = currentRunOfProcess.find(processId);
        if (event.name == EVENT_RUN || current == currentRunOfProcess.end()) {
            StandinRun run;
            run.processId = processId;
            if (event.name == EVENT_RUN) run.module = event.field(0);
            currentRunOfProcess[processId] = runs.size();
            runs.push_back(run);
            if (event.name == EVENT_RUN) continue;
        }
        runs[currentRunOfProcess[processId]].events.push_back(event);
    }
    return runs;
}

std::vector<StandinRun> readStandinRuns(const std::wstring &path) {
    return parseStandinRuns(readRecordText(path));
}

std::vector<JavaRun> readJavaRuns(const std::wstring &path) {
    std::vector<JavaRun> javaRuns;
    for (const StandinRun &run : readStandinRuns(path)) {
        JavaRun javaRun;
        javaRun.processId = run.processId;
        javaRun.program = run.module;
        for (const RecordEvent &event : run.events) {
            if (event.name == EVENT_COMMAND_LINE) javaRun.commandLine = event.field(0);
            if (event.name == EVENT_EXIT) javaRun.exitCode = numberField(event, 0);
            if (event.name == EVENT_ENVIRONMENT && event.fields.size() == 2) {
                javaRun.environment[event.field(0)] = event.fields[1];
            }
        }
        javaRuns.push_back(javaRun);
    }
    return javaRuns;
}

std::vector<UnpackRun> readUnpackRuns(const std::wstring &path) {
    std::vector<UnpackRun> unpackRuns;
    for (const StandinRun &run : readStandinRuns(path)) {
        UnpackRun unpackRun;
        unpackRun.processId = run.processId;
        unpackRun.program = run.module;
        for (const RecordEvent &event : run.events) {
            if (event.name == EVENT_COMMAND_LINE) unpackRun.commandLine = event.field(0);
            if (event.name == EVENT_ARCHIVE) {
                unpackRun.archive = event.field(0);
                unpackRun.jar = event.field(1);
            }
            if (event.name == EVENT_JAR_WRITTEN) unpackRun.jarWritten = flagField(event, 0);
            if (event.name == EVENT_ARCHIVE_REMOVED) unpackRun.archiveRemoved = flagField(event, 0);
            if (event.name == EVENT_EXIT) unpackRun.exitCode = numberField(event, 0);
        }
        unpackRuns.push_back(unpackRun);
    }
    return unpackRuns;
}

std::vector<JliRecord> readJliRecords(const std::wstring &path) {
    std::vector<JliRecord> records;
    for (const StandinRun &run : readStandinRuns(path)) {
        JliRecord record;
        record.processId = run.processId;
        for (const RecordEvent &event : run.events) {
            if (event.name == EVENT_LOADED) record.loaded = true;
            if (event.name == EVENT_JLI_INIT) {
                record.initCalls.emplace_back(flagField(event, 0), flagField(event, 1));
            }
            if (event.name == EVENT_JLI_PREPROCESS) {
                record.preprocessCalls.push_back(
                    {event.field(0), flagField(event, 1), flagField(event, 2), event.field(3), {}});
            }
            if (event.name == EVENT_JLI_ELEMENT && !record.preprocessCalls.empty()) {
                record.preprocessCalls.back().elements.push_back(event.field(0));
            }
            if (event.name == EVENT_JLI_FREE) record.frees.push_back(event.field(0));
        }
        records.push_back(record);
    }
    return records;
}

bool StandinRecord::hasOption(const std::string &option) const {
    for (const std::string &given : options) {
        if (given == option) return true;
    }
    return false;
}

int StandinRecord::findEvent(const std::string &name, size_t start) const {
    for (size_t i = start; i < events.size(); ++i) {
        if (events[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

int StandinRecord::findEvent(const std::string &name, const std::string &firstField,
                             size_t start) const {
    for (size_t i = start; i < events.size(); ++i) {
        if (events[i].name == name && events[i].field(0) == firstField) return static_cast<int>(i);
    }
    return -1;
}

StandinRecord interpretJvmRun(const StandinRun &run) {
    StandinRecord record;
    record.present = true;
    record.processId = run.processId;
    record.module = run.module;
    record.events = run.events;
    for (const RecordEvent &event : run.events) {
        if (!interpretLifeEvent(event, record) && !interpretMainEvent(event, record)) {
            interpretJniEvent(event, record);
        }
    }
    return record;
}

std::vector<StandinRecord> readStandinRecords(const std::wstring &path) {
    std::vector<StandinRecord> records;
    for (const StandinRun &run : readStandinRuns(path)) records.push_back(interpretJvmRun(run));
    return records;
}

StandinRecord readStandinRecord(const std::wstring &path) {
    std::vector<StandinRun> runs = readStandinRuns(path);
    return runs.empty() ? StandinRecord() : interpretJvmRun(runs.back());
}
