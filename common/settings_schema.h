// Every configuration record the launcher reads and every key of a project
// file, in one table: id, key, type, the packer's default, bounds and what it
// does. pellux-pack takes its defaults, checks and help from the table; the
// launcher reads records through the typed handles of namespace record, made
// from the table at compile time, so the table's texts never reach it.
#ifndef PELLUX_COMMON_SETTINGS_SCHEMA_H
#define PELLUX_COMMON_SETTINGS_SCHEMA_H

#include <cstddef>
#include <cstdint>

// How the launcher reads a record's text.
enum class SettingType : uint8_t {
    kNone,       // a key that makes no record of its own
    kText,       // bytes, widened one by one
    kEntries,    // a list of entries told apart by a leading letter
    kFlag,       // on unless it reads as the number 0
    kSwitch,     // on only when it is exactly "1"
    kInteger,    // signed decimal; beyond 32 bits it saturates
    kClamped,    // an integer the launcher clamps into its bounds, noting it in the log
    kByteCount,  // unsigned decimal bytes, at most 2^62
};

struct SettingRow {
    int32_t id;                 // 0 for a key without a record
    const char *key;            // in the project file; null when only [records] reaches it
    SettingType type;
    const char *packDefault;    // what pellux-pack writes when the key is absent; null: nothing
    const char *keyDefault;     // the key's default as the project file writes it; null: none
    int64_t low, high;          // integers and byte counts
    uint32_t capacity;          // texts: the launcher's read capacity with the NUL; 0: any length
    const char *doc;
};

constexpr int32_t kNoRecord = 0;
constexpr int64_t kInt32Low = -2147483647 - 1, kInt32High = 2147483647;
namespace robustness {
// Time the host needs after the stop budget to end the worker and report.
constexpr int32_t kEndWorkerMargin = 5;
}  // namespace robustness
// The launcher reads most texts into buffers of this size.
constexpr uint32_t kRecordTextCapacity = 6000;

// In the order of the project file's sections; records no key sets follow.
constexpr SettingRow kSettingsSchema[] = {
    // [service]
    {101, "service.name", SettingType::kText, nullptr, nullptr, 0, 0, kRecordTextCapacity,
     "required: the name Windows knows the service by (1 to 256 characters)"},
    {kNoRecord, "service.description", SettingType::kNone, nullptr, "\"Runs a Java application as a Windows service.\"",
     0, 0, 0, "shown in the Services console"},
    {kNoRecord, "service.start", SettingType::kNone, nullptr, "\"auto\"", 0, 0, 0, "or \"demand\" or \"delayed\""},
    {30601, "service.start", SettingType::kSwitch, nullptr, "\"auto\"", 0, 0, 0,
     "\"delayed\": automatic start after the boot rush"},
    {149, "service.dependencies", SettingType::kText, nullptr, nullptr, 0, 0, kRecordTextCapacity,
     "services that must run first, e.g. [\"Tcpip\"]"},
    {kNoRecord, "service.executable", SettingType::kNone, nullptr, nullptr, 0, 0, 0,
     "the executable's file name; default: the service name and .exe"},
    {146, "service.working_directory", SettingType::kText, ".", "\".\"", 0, 0, kRecordTextCapacity,
     "the application's current directory (\".\": the executable's folder)"},
    {kNoRecord, "service.arch", SettingType::kNone, nullptr, "\"auto\"", 0, 0, 0,
     "or \"x86_64\" or \"i686\"; see --arch"},
    {30300, "service.account", SettingType::kText, nullptr, "\"LocalSystem\"", 0, 0, 258,
     "or \"LocalService\", \"NetworkService\", \"virtual\" (NT SERVICE\\<name>), \"DOMAIN\\\\user\" or \".\\\\user\" "
     "(password from PELLUX_SERVICE_PASSWORD or asked for), \"DOMAIN\\\\name$\" (a managed account)"},
    {30600, "service.environment", SettingType::kText, nullptr, nullptr, 0, 0, 0,
     "NAME = \"value\" pairs set for the application before Java starts; values may use ${VAR}"},
    {30603, "service.event_log", SettingType::kSwitch, "1", "true", 0, 0, 0,
     "starts, stops and failures go to the Application event log"},
    {30400, "service.writable_folder", SettingType::kSwitch, "1", "\"refuse\"", 0, 0, 0,
     "\"refuse\": a LocalSystem service is not installed while users other than the administrators can change "
     "what it runs; \"accept\": only a warning"},
    {107, "service.launcher_type", SettingType::kInteger, "4", "\"console\"", kInt32Low, kInt32High, 0,
     "how launch errors show: \"console\", \"message-box\" or \"windowed\" (javaw.exe); "
     "the last two need start = \"demand\""},
    // [service.stop]
    {30000, "service.stop.timeout", SettingType::kClamped, "30", "30", 1, 3600, 0,
     "seconds a stop may take; then the application is ended and the service reports the "
     "service-specific code 5001"},
    {30001, "service.stop.preshutdown", SettingType::kClamped, "35", "true", 1, 3600 + robustness::kEndWorkerMargin, 0,
     "a system shutdown gives the application the same time (Windows waits timeout + 5 s)"},
    {30002, "service.stop.end_worker_with_host", SettingType::kSwitch, "1", "true", 0, 0, 0,
     "the application and its child processes end when the service process ends"},
    {30505, "service.stop.report", SettingType::kSwitch, "1", "true", 0, 0, 0,
     "an application ended by force first writes what its threads were doing to var/log/stop-report-*.txt"},
    // [service.ready]: no record for "none", the default
    {30500, "service.ready.mode", SettingType::kText, nullptr, "\"none\"", 0, 0, 8,
     "\"none\": running once the application runs; \"port\": once it accepts connections on port; "
     "\"api\": once it calls com.pellux.service.ServiceState.ready()"},
    {30501, "service.ready.port", SettingType::kClamped, nullptr, nullptr, 1, 65535, 0,
     "the TCP port mode \"port\" waits for"},
    {30502, "service.ready.host", SettingType::kText, nullptr, "\"127.0.0.1\"", 0, 0, 256,
     "the host mode \"port\" connects to"},
    {30503, "service.ready.timeout", SettingType::kClamped, nullptr, "300", 1, 86400, 0,
     "seconds the application may take to become ready; then it is stopped and the service reports the "
     "service-specific code 5002"},
    // [service.watchdog]: no record for 0, the default
    {30504, "service.watchdog.timeout", SettingType::kClamped, nullptr, "0", 3, 86400, 0,
     "seconds without a sign of life after which the application is ended with the service-specific code "
     "5003; 0: off"},
    // [service.recovery]
    {kNoRecord, "service.recovery.enabled", SettingType::kNone, nullptr, "true", 0, 0, 0,
     "what Windows does when the service fails; false: nothing"},
    {30003, "service.recovery.restarts", SettingType::kClamped, "3", "3", 1, 10, 0,
     "restarts before Windows gives up"},
    {30004, "service.recovery.restart_delay", SettingType::kClamped, "10", "10", 1, 86400, 0,
     "seconds before each restart"},
    {30005, "service.recovery.reset_after", SettingType::kClamped, "86400", "86400", 1, 30 * 86400, 0,
     "seconds without a failure after which the count starts again"},
    // [java]
    {122, "java.main_class", SettingType::kText, nullptr, nullptr, 0, 0, 0,
     "required: the class with main(String[]), \"module/com.example.Main\" with module = true"},
    {133, "java.module", SettingType::kFlag, "0", "false", 0, 0, 0,
     "true: main_class names a class in a named module"},
    {121, "java.class_path", SettingType::kEntries, "S0.;S0.\\libs;S0.\\libs\\actions;S0.\\libs\\ext;S0.\\libs\\jdbc;",
     "[\"*\", \"libs/*\", \"libs/actions/*\", \"libs/ext/*\", \"libs/jdbc/*\"]", 0, 0, 0,
     "\"dir/*\" every jar and zip in dir, \"app.jar\" a file, \"classes/\" a directory; tables "
     "{ jars_in | file | directory | env = \"...\", required = true }"},
    {132, "java.module_path", SettingType::kEntries, nullptr, "[]", 0, 0, 0,
     "the same forms; \"dir/*\" is the directory"},
    // The Java runtime library needs no option: the launcher passes its properties itself.
    {123, "java.vm_options", SettingType::kText, "", "[]", 0, 0, kRecordTextCapacity,
     "built into the executable, one option per element"},
    {kNoRecord, "java.vmoptions_file", SettingType::kNone, nullptr, nullptr, 0, 0, 0,
     "lines of NAME.vmoptions beside the executable, for administrators to change"},
    {166, "java.read_vmoptions_file", SettingType::kFlag, "1", "true", 0, 0, 0, "false: NAME.vmoptions is ignored"},
    {124, "java.arguments", SettingType::kText, nullptr, "[]", 0, 0, 2000,
     "passed to main before the start arguments"},
    // [runtime]
    {126, "runtime.min_version", SettingType::kText, "1.8", "\"1.8\"", 0, 0, kRecordTextCapacity,
     "the oldest Java accepted; \"\" for no bound"},
    // No upper bound: a service should run on the Java its machine has.
    {127, "runtime.max_version", SettingType::kText, "", "\"\"", 0, 0, kRecordTextCapacity,
     "the newest Java accepted; \"21\" accepts every 21.x"},
    {130, "runtime.allow_beta", SettingType::kFlag, "1", "true", 0, 0, 0, "accept early-access and beta builds"},
    {131, "runtime.require_jdk", SettingType::kFlag, "0", "false", 0, 0, 0, "only a JDK will do"},
    {128, "runtime.search", SettingType::kEntries, "B.\\jre;EJDK_HOME;EJAVA_HOME;Y;R.\\.;",
     "[{ bundled = \"jre\" }, { env = \"JDK_HOME\" }, { env = \"JAVA_HOME\" }, \"registry\", { directory = \".\" }]",
     0, 0, kRecordTextCapacity,
     "where to look, in order: { bundled = \"dir\" }, { directory = \"...\" }, { env = \"VAR\" }, "
     "\"registry\", \"path\""},
    {134, "runtime.trust_directories", SettingType::kFlag, "0", "false", 0, 0, 0,
     "take a directory's Java without checking its version"},
    {kNoRecord, "runtime.preferred", SettingType::kNone, nullptr, nullptr, 0, 0, 0,
     "a Java home tried before everything else"},
    // [output]
    {104, "output.stdout", SettingType::kFlag, "1", "\"var/log/server_out.log\"", 0, 0, 0,
     "where System.out goes; false: not redirected"},
    {105, "output.stdout", SettingType::kText, "var\\log\\server_out.log", "\"var/log/server_out.log\"", 0, 0,
     kRecordTextCapacity, "where System.out goes"},
    {102, "output.stderr", SettingType::kFlag, "1", "\"var/log/server_err.log\"", 0, 0, 0,
     "where System.err goes; false: not redirected"},
    {103, "output.stderr", SettingType::kText, "var\\log\\server_err.log", "\"var/log/server_err.log\"", 0, 0,
     kRecordTextCapacity, "where System.err goes"},
    {106, "output.append", SettingType::kFlag, "1", "true", 0, 0, 0, "false: each start empties the files"},
    {30200, "output.max_size", SettingType::kByteCount, "10485760", "\"10 MB\"", 1024, int64_t(1) << 62, 0,
     "a file past this size (at least 1 KB) is rotated at a line end"},
    {30201, "output.keep", SettingType::kInteger, "5", "5", 0, 1000, 0,
     "rotated files kept, the oldest dropped; 0: the file is emptied in place instead"},
    // [instance]
    {10005, "instance.single", SettingType::kFlag, "1", "true", 0, 0, 0,
     "a second copy of the executable ends at once"},
    {158, "instance.scope", SettingType::kFlag, "0", "\"session\"", 0, 0, 0,
     "\"session\", \"global\" or \"user\": where copies count as the same"},
    {200, "instance.scope", SettingType::kFlag, "1", "\"session\"", 0, 0, 0,
     "\"session\", \"global\" or \"user\": where copies count as the same"},
    // Only [records] sets these.
    {108, nullptr, SettingType::kFlag, nullptr, nullptr, 0, 0, 0, "the splash screen shows status texts"},
    {125, nullptr, SettingType::kFlag, nullptr, nullptr, 0, 0, 0, "\"-J\" arguments are VM options"},
    {152, nullptr, SettingType::kText, nullptr, nullptr, 0, 0, 200, "the preferred VM type (server, client)"},
    {154, nullptr, SettingType::kFlag, nullptr, nullptr, 0, 0, 0, "add the runtime's folders to the DLL search"},
    {160, nullptr, SettingType::kText, nullptr, nullptr, 0, 0, kRecordTextCapacity,
     "the application id of the runtimes registered for it"},
    {163, nullptr, SettingType::kFlag, nullptr, nullptr, 0, 0, 0, "the splash screen's flag"},
    {165, nullptr, SettingType::kFlag, nullptr, nullptr, 0, 0, 0, "only runtimes registered by launchers"},
    {167, nullptr, SettingType::kText, nullptr, nullptr, 0, 0, 0, "the key runtimes are shared under"},
    {168, nullptr, SettingType::kFlag, nullptr, nullptr, 0, 0, 0, "take runtimes registered by launchers"},
    // 'i' selects the zanthor names.
    {2001, nullptr, SettingType::kText, "i", nullptr, 0, 0, 2, "the launcher's flavour, one letter"},
    {2002, nullptr, SettingType::kInteger, nullptr, nullptr, kInt32Low, kInt32High, 0,
     "the number of embedded files ([[embed]])"},
    {2003, nullptr, SettingType::kText, nullptr, nullptr, 0, 0, 0, "the embedded files' names, each ending in ;"},
    {10003, nullptr, SettingType::kText, ".", nullptr, 0, 0, 4000, "the installation directory"},
    {10004, nullptr, SettingType::kText, nullptr, nullptr, 0, 0, kRecordTextCapacity,
     "directories added to the native library path"},
    {10008, nullptr, SettingType::kFlag, nullptr, nullptr, 0, 0, 0, "a second copy activates the first one"},
    {10009, nullptr, SettingType::kFlag, nullptr, nullptr, 0, 0, 0, "temporary paths stay long"},
    {10010, nullptr, SettingType::kFlag, nullptr, nullptr, 0, 0, 0, "PATH is reduced for the application"},
    {10012, nullptr, SettingType::kFlag, nullptr, nullptr, 0, 0, 0, "JAVA_TOOL_OPTIONS and the like are ignored"},
    {10109, nullptr, SettingType::kInteger, nullptr, nullptr, kInt32Low, kInt32High, 0, "splash status x"},
    {10110, nullptr, SettingType::kInteger, nullptr, nullptr, kInt32Low, kInt32High, 0, "splash status y"},
    {10111, nullptr, SettingType::kText, nullptr, nullptr, 0, 0, 2000, "splash status text"},
    {10113, nullptr, SettingType::kInteger, nullptr, nullptr, kInt32Low, kInt32High, 0, "splash status font size"},
    {10114, nullptr, SettingType::kText, nullptr, nullptr, 0, 0, 2000, "splash status colour"},
    {10115, nullptr, SettingType::kInteger, nullptr, nullptr, kInt32Low, kInt32High, 0, "splash status font weight"},
    {10116, nullptr, SettingType::kInteger, nullptr, nullptr, kInt32Low, kInt32High, 0, "splash version x"},
    {10117, nullptr, SettingType::kInteger, nullptr, nullptr, kInt32Low, kInt32High, 0, "splash version y"},
    {10118, nullptr, SettingType::kText, nullptr, nullptr, 0, 0, 2000, "splash version text"},
    {10120, nullptr, SettingType::kInteger, nullptr, nullptr, kInt32Low, kInt32High, 0, "splash version font size"},
    {10121, nullptr, SettingType::kText, nullptr, nullptr, 0, 0, 2000, "splash version colour"},
    {10122, nullptr, SettingType::kInteger, nullptr, nullptr, kInt32Low, kInt32High, 0,
     "splash version font weight"},
    {10200, nullptr, SettingType::kInteger, nullptr, nullptr, kInt32Low, kInt32High, 0,
     "the number of version-specific VM option entries"},
    // No key: a stopped service never has a reason to leave its files behind.
    {30301, nullptr, SettingType::kFlag, "1", nullptr, 0, 0, 0,
     "the service host makes and removes its worker's temporary directory"},
    // No key: replacing the registration loses what administrators set by hand.
    {30602, nullptr, SettingType::kSwitch, "1", nullptr, 0, 0, 0,
     "install updates its own registration in place instead of replacing it"},
    {30401, nullptr, SettingType::kSwitch, "1", nullptr, 0, 0, 0,
     "a service's worker does not end because an instance object of its name already exists"},
    {30402, nullptr, SettingType::kSwitch, "1", nullptr, 0, 0, 0,
     "uninstall leaves a service of the same name that runs another program alone"},
    {30404, nullptr, SettingType::kSwitch, "1", nullptr, 0, 0, 0,
     "redirected output refuses links and hard links; missing output folders are made private"},
    {30403, nullptr, SettingType::kSwitch, "1", nullptr, 0, 0, 0,
     "PATH reduction keeps whole folders under the Windows directory; the \"path\" search skips the current one"},
};

namespace schema_detail {
// Meant for compile time: an id the table does not hold, or of another type,
// reaches one of these, which no constant expression may call, and stops the
// build where the handle is made.
inline const SettingRow &noSuchRecordInTheSchema() { __builtin_trap(); }
inline const SettingRow &recordOfAnotherType() { __builtin_trap(); }
constexpr const SettingRow &find(int32_t id) {
    for (const SettingRow &setting : kSettingsSchema)
        if (setting.id == id && id != kNoRecord)
            return setting;
    return noSuchRecordInTheSchema();
}
constexpr const SettingRow &find(int32_t id, SettingType a, SettingType b = SettingType::kNone) {
    const SettingRow &setting = find(id);
    if (setting.type != a && (b == SettingType::kNone || setting.type != b))
        return recordOfAnotherType();
    return setting;
}
constexpr int32_t parseDefault(const char *text) {
    int32_t value = 0;
    for (; *text >= '0' && *text <= '9'; text++)
        value = value * 10 + (*text - '0');
    return value;
}
}  // namespace schema_detail

// Typed handles: an id and what the launcher needs of its row. They convert
// to the id, so records are still named record::kStopBudget everywhere.
struct TextSetting {
    int32_t id;
    constexpr operator int32_t() const { return id; }
};
struct FlagSetting {
    int32_t id;
    constexpr operator int32_t() const { return id; }
};
struct SwitchSetting {
    int32_t id;
    constexpr operator int32_t() const { return id; }
};
struct IntSetting {
    int32_t id;
    constexpr operator int32_t() const { return id; }
};
struct ClampedSetting {
    int32_t id;
    int32_t low, high;
    constexpr operator int32_t() const { return id; }
};
struct ByteCountSetting {
    int32_t id;
    constexpr operator int32_t() const { return id; }
};

constexpr TextSetting textSetting(int32_t id) {
    return TextSetting{schema_detail::find(id, SettingType::kText, SettingType::kEntries).id};
}
constexpr FlagSetting flagSetting(int32_t id) { return FlagSetting{schema_detail::find(id, SettingType::kFlag).id}; }
constexpr SwitchSetting switchSetting(int32_t id) {
    return SwitchSetting{schema_detail::find(id, SettingType::kSwitch).id};
}
constexpr IntSetting intSetting(int32_t id) { return IntSetting{schema_detail::find(id, SettingType::kInteger).id}; }
constexpr ClampedSetting clampedSetting(int32_t id) {
    return ClampedSetting{schema_detail::find(id, SettingType::kClamped).id,
                          static_cast<int32_t>(schema_detail::find(id).low),
                          static_cast<int32_t>(schema_detail::find(id).high)};
}
constexpr ByteCountSetting byteCountSetting(int32_t id) {
    return ByteCountSetting{schema_detail::find(id, SettingType::kByteCount).id};
}
// The row of a record, for the packer.
constexpr const SettingRow &schemaEntry(int32_t id) { return schema_detail::find(id); }
// The packer's default of an integer record, for the launcher's own fallback;
// use it where a constant is required, so the table stays out of the launcher.
constexpr int32_t defaultOf(int32_t id) { return schema_detail::parseDefault(schema_detail::find(id).packDefault); }
// The same for a record the packer writes only with another key: its key's default.
constexpr int32_t keyDefaultOf(int32_t id) { return schema_detail::parseDefault(schema_detail::find(id).keyDefault); }

#endif
