// What the stand-ins and the tests that drive them agree on: the file names
// beside each stand-in, the settings they read and the events they record.
//
// Record files are appended by every run, one event per line:
//   <process id> TAB <event> [TAB <field>]...
// Fields are escaped (standin_format.h), so a field never holds a tab or a
// line break; a null value is written as the escape \N. Every run of a
// stand-in starts with the event "run", so runs of several processes that
// share a file can be told apart even when their lines interleave.
#ifndef PELLUX_STANDINS_STANDIN_PROTOCOL_H
#define PELLUX_STANDINS_STANDIN_PROTOCOL_H

// Beside java.exe / javaw.exe.
const char STANDIN_JAVA_CONFIG_FILE[] = "standin-java.cfg";
const char STANDIN_JAVA_RUNS_FILE[] = "standin-java-runs.txt";
// Beside unpack200.exe.
const char STANDIN_UNPACK_CONFIG_FILE[] = "standin-unpack200.cfg";
const char STANDIN_UNPACK_RUNS_FILE[] = "standin-unpack200-runs.txt";
// Beside jli.dll.
const char STANDIN_JLI_RECORD_FILE[] = "standin-jli-record.txt";
// Beside jvm.dll.
const char STANDIN_JVM_CONFIG_FILE[] = "standin-jvm.cfg";
const char STANDIN_JVM_RECORD_FILE[] = "standin-jvm-record.txt";

// A VM option "-Dstandin.<key>=<value>" overrides the same key of the
// jvm.dll config file.
const char STANDIN_OPTION_PREFIX[] = "-Dstandin.";

// Exit code of a process stopped by a stand-in that saw a call it does not
// expect (an unplanned JNI slot, a foreign reference, a foreign thread).
const int STANDIN_TRAP_EXIT_CODE = 86;

// Written for a null string or object where a text is expected.
const char STANDIN_NULL_TEXT[] = "<null>";

// Keys of standin-java.cfg.
const char JAVA_KEY_BANNER[] = "banner";  // written to standard error as it is
const char JAVA_KEY_EXIT[] = "exit";      // exit code, default 0
// Milliseconds a child left behind holds the inherited standard error open
// after java.exe has ended, default 0 (none).
const char JAVA_KEY_HELD_OUTPUT[] = "held_output_ms";
const char JAVA_KEY_FLOOD[] = "flood";  // 1: after the banner, writes without pause until ended

// Keys of standin-unpack200.cfg.
const char UNPACK_KEY_REMOVE[] = "remove";  // "0": leave the archive after "-r"
const char UNPACK_KEY_WRITE[] = "write";    // "0": write no jar
const char UNPACK_KEY_EXIT[] = "exit";      // exit code, default 0

// Keys of standin-jvm.cfg and of "-Dstandin.<key>=" options.
const char JVM_KEY_MAIN[] = "main";               // a MAIN_ACTION_* below
const char JVM_KEY_THROW_TEXT[] = "throwText";    // toString() of main's exception
const char JVM_KEY_THROW_CLASS[] = "throwClass";  // its class, "java/lang/IllegalStateException"
const char JVM_KEY_EXIT_CODE[] = "exitCode";      // for MAIN_ACTION_EXIT
const char JVM_KEY_SLEEP_MS[] = "sleepMs";        // for MAIN_ACTION_SLEEP
const char JVM_KEY_FAIL_LOAD[] = "failLoad";      // "1": the DLL refuses to load (config file only)
const char JVM_KEY_CREATE_RESULT[] = "createResult";      // nonzero: JNI_CreateJavaVM fails with it
const char JVM_KEY_MISSING_CLASSES[] = "missingClasses";  // comma list, FindClass gives NULL
const char JVM_KEY_MISSING_METHODS[] = "missingMethods";  // comma list of method names
const char JVM_KEY_FAIL_NEW_OBJECT_ARRAY[] = "failNewObjectArray";  // "1": NULL
const char JVM_KEY_FAIL_NEW_STRING[] = "failNewString";             // "1": NULL
const char JVM_KEY_CALL_NATIVE[] = "callNative";          // "1": call the first registered native
const char JVM_KEY_NATIVE_ARGUMENT[] = "nativeArgument";  // its jstring, default "standin"
const char JVM_KEY_REGISTER_RESULT[] = "registerNativesResult";  // RegisterNatives' result
// "0": only "run", "loaded" and "trap" are recorded, so that a benchmark
// does not charge the recording to the JNI calls it times.
const char JVM_KEY_RECORD[] = "record";

// Values of JVM_KEY_MAIN.
const char MAIN_ACTION_RETURN[] = "return";          // default
const char MAIN_ACTION_THROW[] = "throw";            // leaves an exception pending
const char MAIN_ACTION_EXIT[] = "exit";              // ExitProcess(exitCode), as System.exit
const char MAIN_ACTION_STDIN[] = "stdin";            // reads to a line "0" or the end, returns
const char MAIN_ACTION_STDIN_EXIT[] = "stdin-exit";  // the same, then ExitProcess(0)
const char MAIN_ACTION_SLEEP[] = "sleep";            // sleeps sleepMs, returns

// Events of every record.
const char EVENT_RUN[] = "run";        // fields: module path, thread id
const char EVENT_LOADED[] = "loaded";  // a DLL was loaded: 1, or 0 when it refused to load

// Events of standin-java-runs.txt and standin-unpack200-runs.txt, after "run":
const char EVENT_COMMAND_LINE[] = "commandLine";  // the whole command line
const char EVENT_ENVIRONMENT[] = "environment";   // name, value or \N
const char EVENT_ARCHIVE[] = "archive";           // archive path, jar path
const char EVENT_ARCHIVE_REMOVED[] = "removed";   // 1 or 0
const char EVENT_JAR_WRITTEN[] = "written";       // 1 or 0
const char EVENT_EXIT[] = "exit";                 // exit code (also main's System.exit)

// Events of standin-jli-record.txt.
const char EVENT_JLI_INIT[] = "init";              // hasJavaArgs, disableArgFile
const char EVENT_JLI_PREPROCESS[] = "preprocess";  // arg, expandSourceOpt, initialised, result
const char EVENT_JLI_ELEMENT[] = "element";        // one expanded element
const char EVENT_JLI_FREE[] = "free";              // "list", "elements" or "unknown"

// Results of EVENT_JLI_PREPROCESS.
const char JLI_RESULT_NULL[] = "null";        // not an argument file
const char JLI_RESULT_LIST[] = "list";        // expanded; elements follow
const char JLI_RESULT_MISSING[] = "missing";  // argument file not readable: NULL

// Events of standin-jvm-record.txt.
const char EVENT_VERSION[] = "version";                         // JNI version, hex
const char EVENT_IGNORE_UNRECOGNIZED[] = "ignoreUnrecognized";  // 1 or 0
const char EVENT_OPTION[] = "option";                           // option string
const char EVENT_SETTING[] = "setting";                         // key, value in effect
const char EVENT_STACK[] = "stack";             // reserved bytes of the creating thread
const char EVENT_CREATE[] = "create";           // result of JNI_CreateJavaVM
const char EVENT_FIND_CLASS[] = "findClass";    // name, 1 or 0
const char EVENT_GET_METHOD[] = "getMethod";    // static|instance, class, name, signature, 1 or 0
const char EVENT_CALL_STATIC[] = "callStatic";  // class, name, signature, arguments...
const char EVENT_MAIN_ARGS[] = "mainArgs";      // the String[] elements of a main call
const char EVENT_CALL_OBJECT[] = "callObject";  // class, name, result
const char EVENT_NEW_STRING[] = "newString";    // text (UTF-8)
const char EVENT_NEW_STRING_UTF[] = "newStringUTF";           // text as given
const char EVENT_NEW_OBJECT_ARRAY[] = "newObjectArray";       // length, element class, 1 or 0
const char EVENT_SET_ELEMENT[] = "setElement";                // index, value
const char EVENT_DELETE_LOCAL_REF[] = "deleteLocalRef";       // what was deleted
const char EVENT_THROW[] = "throw";                           // an exception becomes pending
const char EVENT_EXCEPTION_OCCURRED[] = "exceptionOccurred";  // pending exception or \N
const char EVENT_EXCEPTION_DESCRIBE[] = "exceptionDescribe";  // its text or \N
const char EVENT_EXCEPTION_CLEAR[] = "exceptionClear";        // what was pending or \N
const char EVENT_REGISTER_NATIVES[] = "registerNatives";      // class, count
const char EVENT_NATIVE[] = "native";                         // name, signature
const char EVENT_NATIVE_RESULT[] = "nativeResult";            // jboolean result, or "skipped"
const char EVENT_MAIN_ENTER[] = "mainEnter";                  // main started acting
const char EVENT_MAIN_LEAVE[] = "mainLeave";                  // main returns
const char EVENT_STDIN_LINE[] = "stdinLine";                  // one line read
const char EVENT_STDIN_END[] = "stdinEnd";                    // STDIN_END_*
const char EVENT_DESTROY[] = "destroy";                       // DestroyJavaVM called
const char EVENT_INVOKE[] = "invoke";                         // other JavaVM function: name
const char EVENT_STRING_CHARS[] = "stringChars";              // Get/Release function, text (UTF-8)
const char EVENT_TRAP[] = "trap";                             // why the process is stopped

// Values of EVENT_STDIN_END.
const char STDIN_END_STOP_LINE[] = "stop-line";
const char STDIN_END_EOF[] = "eof";

#endif
