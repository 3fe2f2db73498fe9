// The friendly project keys, read back from the block of the launcher that
// the real tool wrote.
#include <gtest/gtest.h>

#include "common/records.h"
#include "common/settings_schema.h"
#include "common/split_command_line.h"
#include "jre/java_version.h"
#include "tests/packaging/pack_fixture.h"

namespace {

const char kMinimal[] = "[service]\nname = \"Beat\"\n[java]\nmain_class = \"com.example.Main\"\n";

class ServiceKeys : public PackFixture {
protected:
    void expectRecords(const Settings &block, std::initializer_list<std::pair<int32_t, const char *>> expected) {
        for (const auto &e : expected)
            EXPECT_EQ(record(block, e.first), e.second) << "record " << e.first;
    }
};

TEST_F(ServiceKeys, EveryKeyLandsInItsRecord) {
    ASSERT_EQ(packFolder("[service]\n"
                         "name = \"Beat Service\"\n"
                         "description = \"Beats \u2764 every second\"\n"
                         "start = \"demand\"\n"
                         "dependencies = [\"Tcpip\", \"Afd\"]\n"
                         "executable = \"Beat.exe\"\n"
                         "working_directory = \"var/run\"\n"
                         "account = \"virtual\"\n"
                         "[java]\n"
                         "main_class = \"app.core/com.example.Main\"\n"
                         "module = true\n"
                         "class_path = [\"libs/*\", \"app.jar\", \"classes/\", { env = \"EXTRA_CP\", required = true },\n"
                         "              { file = \"C:/opt/x.jar\", required = true }, { jars_in = \"ext\" }]\n"
                         "module_path = [\"mods/*\", { directory = \"more\" }]\n"
                         "vm_options = [\"-Xmx64m\"]\n"
                         "arguments = [\"one\"]\n"
                         "read_vmoptions_file = false\n"
                         "[runtime]\n"
                         "min_version = 11\n"
                         "max_version = \"21.0.2\"\n"
                         "allow_beta = false\n"
                         "require_jdk = true\n"
                         "search = [\"registry\", \"path\", { bundled = \"jre\" }, { directory = \"C:/Java\" },\n"
                         "          { env = \"JAVA_HOME\" }]\n"
                         "trust_directories = true\n"
                         "[output]\n"
                         "stdout = \"logs/out.txt\"\n"
                         "stderr = false\n"
                         "append = false\n"
                         "max_size = \"2 KB\"\n"
                         "keep = 0\n"
                         "[instance]\n"
                         "single = false\n"
                         "scope = \"global\"\n"
                         "[service.environment]\n"
                         "TZ = \"UTC\"\n"
                         "PATH = \"${PELLUX_EXEDIR}\\\\bin;${PATH}\"\n"),
              0)
        << errors_;
    Settings block = blockOf("out/Beat.exe");
    expectRecords(block, {
        {record::kServiceName, "Beat Service"},
        {record::kServiceAccount, "virtual"},
        {record::kRedirectError, "0"},
        {record::kErrorFile, ""},
        {record::kRedirectOutput, "1"},
        {record::kOutputFile, "logs\\out.txt"},
        {record::kAppendOutput, "0"},
        {record::kLauncherType, "2"},
        {record::kClassPath, "S0libs;A0app.jar;D0classes\\;E1EXTRA_CP;A1C:\\opt\\x.jar;S0ext;"},
        {record::kMainClass, "app.core/com.example.Main"},
        {record::kVmParameters, "-Xmx64m"},
        {record::kMainArguments, "one"},
        {record::kMinimumVersion, "11"},
        {record::kMaximumVersion, "21.0.2"},
        {record::kSearchSequence, "Y;S;Bjre;AC:\\Java;EJAVA_HOME;"},
        {record::kAllowBeta, "0"},
        {record::kRequireJdk, "1"},
        {record::kModulePath, "S0mods;D0more;"},
        {record::kMainInModule, "1"},
        {record::kForceDirectoryEntries, "1"},
        {record::kWorkingDirectory, "var\\run"},
        {record::kDependencies, "Tcpip,Afd"},
        {record::kInstanceAllSessions, "1"},
        {record::kDefaultVmOptionsFile, "0"},
        {record::kInstancePerSession, "0"},
        {record::kSingleInstance, "0"},
        {record::kOutputMaxSize, "2048"},
        {record::kOutputKeep, "0"},
        {record::kEnvironment, "PATH=${PELLUX_EXEDIR}\\bin;${PATH}\nTZ=UTC"},
    });
    EXPECT_EQ(block.messages[20017], L"Beats \u2764 every second");
}

TEST_F(ServiceKeys, LeftOutKeysTakeTheSchemasDefaults) {
    ASSERT_EQ(packFolder(kMinimal), 0) << errors_;
    EXPECT_NE(output_.find("The service will run as LocalSystem; service.account = "), std::string::npos) << output_;
    Settings block = blockOf("out/Beat.exe");
    expectRecords(block, {{record::kServiceName, "Beat"}, {record::kMainClass, "com.example.Main"}});
    for (const SettingRow &setting : kSettingsSchema) {
        if (setting.id != kNoRecord && setting.id != record::kServiceName && setting.id != record::kMainClass) {
            EXPECT_EQ(record(block, setting.id), setting.packDefault ? setting.packDefault : "<missing>") << "record " << setting.id;
        }
    }
    EXPECT_EQ(block.messages[20017], L"Runs a Java application as a Windows service.");
    EXPECT_EQ(block.messages[1010], L"Couldn't load main class.");
    // Today's Java passes both the probe and the registry key filter.
    JavaVersion minimum = parseJavaVersion(record(block, record::kMinimumVersion).c_str());
    JavaVersion maximum = parseJavaVersion(record(block, record::kMaximumVersion).c_str());
    bool allowBeta = record(block, record::kAllowBeta) == "1";
    for (const char *version : {"25", "25.0.1", "21.0.5", "26-ea"}) {
        EXPECT_TRUE(isVersionAcceptable(version, minimum, maximum, allowBeta)) << version;
        EXPECT_TRUE(isVersionInRangePrefix(version, minimum, maximum)) << version;
    }
}

TEST_F(ServiceKeys, LauncherTypeCombinesStartModeAndErrorDisplay) {
    const struct {
        const char *keys;
        const char *type;
    } cases[] = {
        {"start = \"auto\"", "4"},
        {"start = \"demand\"", "2"},
        {"start = \"delayed\"\naccount = \"CORP\\\\svc-app$\"", "4"},
        {"start = \"demand\"\nlauncher_type = \"windowed\"", "1"},
        {"start = \"demand\"\nlauncher_type = \"message-box\"", "5"},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(packFolder(std::string("[service]\nname = \"Beat\"\n") + c.keys +
                                 "\n[java]\nmain_class = \"com.example.Main\"\n",
                             "--replace"),
                  0)
            << errors_;
        Settings block = blockOf("out/Beat.exe");
        EXPECT_EQ(record(block, 107), c.type) << c.keys;
        EXPECT_EQ(record(block, record::kDelayedAutoStart), std::string(c.keys).find("delayed") != std::string::npos ? "1" : "<missing>");
    }
}

TEST_F(ServiceKeys, StopAndRecoveryKeysSetTheirRecordsOrSwitchThemOff) {
    ASSERT_EQ(packFolder(std::string(kMinimal) +
                         "[service.stop]\ntimeout = 120\nend_worker_with_host = false\n"
                         "[service.recovery]\nrestarts = 10\nrestart_delay = 86400\nreset_after = 3600\n"),
              0)
        << errors_;
    expectRecords(blockOf("out/Beat.exe"), {{record::kStopBudget, "120"},
                                            {record::kPreshutdownTimeout, "125"},
                                            {record::kWorkerJob, "0"},
                                            {record::kRecoveryRestarts, "10"},
                                            {record::kRecoveryDelay, "86400"},
                                            {record::kRecoveryReset, "3600"}});
    ASSERT_EQ(packFolder(std::string(kMinimal) +
                         "[service.stop]\npreshutdown = false\n[service.recovery]\nenabled = false\n",
                         "--replace"),
              0)
        << errors_;
    expectRecords(blockOf("out/Beat.exe"), {{record::kStopBudget, "30"},
                                            {record::kPreshutdownTimeout, "<missing>"},
                                            {record::kRecoveryRestarts, "<missing>"},
                                            {record::kRecoveryDelay, "<missing>"}});
}

TEST_F(ServiceKeys, ReadyAndWatchdogKeysSetTheirRecordsAndTheReportCanBeSwitchedOff) {
    ASSERT_EQ(packFolder(std::string(kMinimal) + "[service.ready]\nmode = \"port\"\nport = 8080\nhost = \"::1\"\n"
                         "[service.watchdog]\ntimeout = 30\n[service.stop]\nreport = false\n"),
              0)
        << errors_;
    expectRecords(blockOf("out/Beat.exe"), {{record::kReadyMode, "port"},
                                            {record::kReadyPort, "8080"},
                                            {record::kReadyHost, "::1"},
                                            {record::kReadyTimeout, "300"},
                                            {record::kWatchdogTimeout, "30"},
                                            {record::kStopReport, "0"}});
    ASSERT_EQ(packFolder(std::string(kMinimal) + "[service.ready]\nmode = \"api\"\ntimeout = 60\n"
                         "[service.watchdog]\ntimeout = 0\n", "--replace"),
              0)
        << errors_;
    expectRecords(blockOf("out/Beat.exe"), {{record::kReadyMode, "api"},
                                            {record::kReadyPort, "<missing>"},
                                            {record::kReadyTimeout, "60"},
                                            {record::kWatchdogTimeout, "<missing>"},
                                            {record::kStopReport, "1"}});
    write("resources/znoruntime.jar", std::string("PK\x03\x04") + " runtime classes of an older release");
    EXPECT_EQ(packFolder(std::string(kMinimal) + "[service.ready]\nmode = \"api\"\n", "--replace"), 1);
    EXPECT_NE(errors_.find("service.ready.mode: \"api\" needs a runtime library that offers "
                           "com.pellux.service.ServiceState"), std::string::npos) << errors_;
    EXPECT_EQ(packFolder(std::string(kMinimal) + "[service.watchdog]\ntimeout = 10\n", "--replace"), 1);
    EXPECT_NE(errors_.find("service.watchdog.timeout needs a runtime library"), std::string::npos) << errors_;
}

TEST_F(ServiceKeys, OptionsAndArgumentsSurviveTheLaunchersSplitting) {
    std::vector<std::wstring> tokens = {L"-Dname=a b", L"-Dq=say \"hi\"", L"\"", L"C:\\dir with blank\\", L"tab\there",
                                        L"plain"};
    ASSERT_EQ(packFolder(std::string(kMinimal) +
                         "vm_options = [\"-Dname=a b\", '-Dq=say \"hi\"', '\"', 'C:\\dir with blank\\', "
                         "\"tab\\there\", \"plain\"]\n"
                         "arguments = [\"-Dname=a b\", '-Dq=say \"hi\"', '\"', 'C:\\dir with blank\\', "
                         "\"tab\\there\", \"plain\"]\n"),
              0)
        << errors_;
    Settings block = blockOf("out/Beat.exe");
    for (int32_t id : {123, 124}) {
        StringList split;
        splitCommandLine(std::wstring(block.records[id].begin(), block.records[id].end()).c_str(), split);
        EXPECT_EQ(split, tokens) << "record " << id << ": " << block.records[id];
    }
}

TEST_F(ServiceKeys, RawRecordsSetWhatNoKeyNames) {
    ASSERT_EQ(packFolder(std::string(kMinimal) + "[records]\n10004 = \"native\"\n126 = \"9\"\n"), 0) << errors_;
    Settings block = blockOf("out/Beat.exe");
    EXPECT_EQ(record(block, 10004), "native");
    EXPECT_EQ(record(block, 126), "9");  // a raw record overrides a default
}

TEST_F(ServiceKeys, RawRecordsTheLauncherCouldNotReadAreRefusedWithTheKey) {
    const std::string raw = "[records]\n101 = \"Raw\"\n";  // line 2
    const struct {
        std::string text;
        const char *error;
    } cases[] = {
        {raw + "30000 = 0\n", "service.toml:3: records.30000: must be a whole number from 1 to 3600 (service.stop.timeout)"},
        {raw + "30003 = \"three\"\n", "service.toml:3: records.30003: must be a whole number from 1 to 10"},
        {raw + "30201 = \"5 files\"\n", "service.toml:3: records.30201: must be a whole number from 0 to 1000"},
        {raw + "30200 = \"10 MB\"\n", "service.toml:3: records.30200: must be a whole number from 1024 to"},
        {raw + "10005 = 2\n", "service.toml:3: records.10005: must be true or false (1 or 0) (instance.single)"},
        {raw + "10010 = \"yes\"\n", "service.toml:3: records.10010: must be true or false (1 or 0)"},
        {raw + "30300 = \"" + std::string(258, 'a') + "\"\n", "service.toml:3: records.30300: is 258 characters long; the launcher reads at most 257 (service.account)"},
        {std::string(kMinimal) + "[records]\n124 = \"" + std::string(2000, 'a') + "\"\n", "service.toml:6: records.124: is 2000 characters long"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(packFolder(c.text), 1) << c.text;
        EXPECT_EQ(errors_.rfind(std::string("pellux-pack: ") + c.error, 0), 0u) << errors_;
    }
    ASSERT_EQ(packFolder(raw + "107 = 4\n10005 = true\n30000 = \"3600\"\n30301 = \"\"\n10200 = -1\n"), 0) << errors_;
}

TEST_F(ServiceKeys, EmbeddedFilesJoinAFriendlyProject) {
    write("dist/extra.jar", "extra");
    ASSERT_EQ(packFolder(std::string(kMinimal) + "[[embed]]\nsource = \"dist/extra.jar\"\n"), 0) << errors_;
    Settings block = blockOf("out/Beat.exe");
    EXPECT_EQ(record(block, 2002), "1");
    EXPECT_EQ(record(block, 2003), "extra.jar;");
    EXPECT_EQ(record(block, 122), "com.example.Main");
}

TEST_F(ServiceKeys, RawOnlyProjectsGetNoDefaults) {
    ASSERT_EQ(packFolder("[records]\n101 = \"Raw\"\n2001 = \"i\"\n"), 0) << errors_;
    Settings block = blockOf("out/Raw.exe");
    EXPECT_EQ(block.records.size(), 2u);
    EXPECT_EQ(record(block, 101), "Raw");
}

TEST_F(ServiceKeys, MistakesAreRefusedWithFileLineAndKey) {
    const std::string service = "[service]\nname = \"Beat\"\n";  // lines 1-2
    const std::string java = "[java]\nmain_class = \"com.example.Main\"\n";
    const struct {
        std::string text;
        const char *error;
    } cases[] = {
        {service + java + "colour = 1\n", "service.toml:5: java.colour: unknown key; [java] knows main_class"},
        {service + java + "[extras]\n", "service.toml:5: unknown key \"extras\""},
        {service + "start = true\n" + java, "service.toml:3: service.start: must be one of \"auto\", \"demand\""},
        {service + java + "module = \"yes\"\n", "service.toml:5: java.module: must be true or false"},
        {service + java + "class_path = \"libs\"\n", "service.toml:5: java.class_path: must be a list"},
        {service + java + "class_path = [\"libs/*.jar\"]\n", "service.toml:5: java.class_path: \"libs/*.jar\": the only wildcard"},
        {service + java + "class_path = [{ jars_in = \"a\", file = \"b\" }]\n", "service.toml:5: java.class_path: an entry takes one of"},
        {service + java + "class_path = [\"a;b\"]\n", "service.toml:5: java.class_path: \"a;b\" must not"},
        {service + "[java]\nmain_class = \"app/com.example.Main\"\n", "service.toml:4: java.main_class: is in the form module/class"},
        {service + java + "module = true\n", "service.toml:5: java.module: needs java.main_class in the form module/class"},
        {service + java + "[runtime]\nmin_version = \"11\"\nmax_version = \"1.8\"\n", "service.toml:6: runtime.min_version: no Java version is at least 11 and at most 1.8"},
        {service + java + "[runtime]\nmax_version = \"1.7\"\n", "service.toml:6: runtime.max_version: no Java version is at least 1.8 and at most 1.7 (1.8 is the default of runtime.min_version)"},
        {service + "account = \"svc-app\"\n" + java, "service.toml:3: service.account: must be one of \"LocalSystem\""},
        {service + "account = \".\\\\svc$\"\n" + java, "service.toml:3: service.account: must be one of"},
        {service + "arch = \"arm64\"\n" + java, "service.toml:3: service.arch: must be one of \"auto\", \"x86_64\", \"i686\""},
        {service + java + "[runtime]\nmax_version = 1.8\n", "service.toml:6: runtime.max_version: write the version as a text"},
        {service + java + "[runtime]\nmax_version = \"17-ea\"\n", "service.toml:6: runtime.max_version: \"17-ea\" is no Java version"},
        {service + java + "[runtime]\nsearch = [\"JAVA_HOME\"]\n", "service.toml:6: runtime.search: a location is one of"},
        {service + "launcher_type = \"windowed\"\n" + java, "service.toml:3: service.launcher_type: start = \"auto\" needs launcher_type = \"console\""},
        {service + java + "vmoptions_file = [\"-Xmx1g\"]\nread_vmoptions_file = false\n", "service.toml:6: java.read_vmoptions_file: is false"},
        {service + java + "vmoptions_file = [\"# -Xmx1g\"]\n", "service.toml:5: java.vmoptions_file: \"# -Xmx1g\" cannot be a line"},
        {service + java + "[records]\n122 = \"other.Main\"\n", "service.toml:6: record 122 is also set by java.main_class (line 4); keep one"},
        {service + "description = \"x\"\n" + java + "[messages]\n20017 = \"y\"\n", "service.toml:7: message 20017 is also set by service.description (line 3)"},
        {java, "service.toml:1: service.name: required"},
        {service, "service.toml:1: java.main_class: required"},
        {"[service]\nname = \"Beat\u0141\"\n" + java, "service.toml:2: service.name: holds a character the launcher cannot carry"},
        {"[service]\nname = \"a/b\"\n" + java, "service.toml:2: service.name: Windows refuses"},
        {"[service]\nname = \"a:b\"\n" + java, "service.toml:2: service.name: cannot name the executable"},
        {service + "executable = \"Beat\"\n" + java, "service.toml:3: service.executable: must be a file name ending in .exe"},
        {service + "dependencies = [\"Tcpip,Afd\"]\n" + java, "service.toml:3: service.dependencies: \"Tcpip,Afd\" is no service name"},
        {service + java + "arguments = [\"" + std::string(2000, 'a') + "\"]\n", "service.toml:5: java.arguments: is 2000 characters long; the launcher reads at most 1999"},
        {service + java + "[output]\nstdout = 1\n", "service.toml:6: output.stdout: must be a file name, true or false"},
        {service + java + "[output]\nmax_size = \"1023 B\"\n", "service.toml:6: output.max_size: is under 1 KB"},
        {service + java + "[output]\nmax_size = \"10 MiB\"\n", "service.toml:6: output.max_size: \"10 MiB\" is no size"},
        {service + java + "[output]\nkeep = -1\n", "service.toml:6: output.keep: must be a number of files"},
        {service + java + "[instance]\nscope = \"machine\"\n", "service.toml:6: instance.scope: must be one of \"session\", \"global\", \"user\""},
        {service + java + "[service.stop]\ntimeout = 0\n", "service.toml:6: service.stop.timeout: must be a whole number of seconds from 1 to 3600"},
        {service + java + "[service.stop]\ntimeout = 1000000000\n", "service.toml:6: service.stop.timeout: must be a whole number"},
        {service + java + "[service.stop]\ntimeout = \"30\"\n", "service.toml:6: service.stop.timeout: must be a whole number"},
        {service + java + "[service.stop]\nkill = true\n", "service.toml:6: service.stop.kill: unknown key; [service.stop] knows timeout"},
        {service + java + "[service.recovery]\nrestart_delay = 86401\n", "service.toml:6: service.recovery.restart_delay: must be a whole number of seconds from 1 to 86400"},
        {service + java + "[service.recovery]\nrestarts = 11\n", "service.toml:6: service.recovery.restarts: must be a whole number of restarts from 1 to 10"},
        {service + java + "[service.recovery]\nreset_after = -1\n", "service.toml:6: service.recovery.reset_after: must be a whole number"},
        {service + java + "[service.environment]\n\"A=B\" = \"x\"\n", "service.toml:6: service.environment.A=B: is no environment variable name"},
        {service + java + "[service.environment]\n\"A\\u0000\" = \"x\"\n", "service.toml:6: a key holds a NUL character"},
        {service + java + "[service.environment]\nA = \"x\\ny\"\n", "service.toml:6: service.environment.A: holds a line break"},
        {service + java + "[service.stop]\ntimeout = 9\n[records]\n30000 = \"5\"\n", "service.toml:8: record 30000 is also set by service.stop.timeout (line 6); keep one"},
        {service + java + "[service.ready]\nmode = \"port\"\nport = 0\n", "service.toml:7: service.ready.port: must be a TCP port from 1 to 65535"},
        {service + java + "[service.ready]\nmode = \"port\"\nport = 65536\n", "service.toml:7: service.ready.port: must be a TCP port"},
        {service + java + "[service.ready]\nmode = \"port\"\n", "service.toml:6: service.ready.port: required with mode = \"port\""},
        {service + java + "[service.ready]\nport = 80\n", "service.toml:6: service.ready.port: only with mode = \"port\""},
        {service + java + "[service.ready]\nmode = \"http\"\n", "service.toml:6: service.ready.mode: must be one of \"none\", \"port\", \"api\""},
        {service + java + "[service.ready]\nmode = \"api\"\ntimeout = 86401\n", "service.toml:7: service.ready.timeout: must be a whole number of seconds from 1 to 86400"},
        {service + java + "[service.watchdog]\ntimeout = 2\n", "service.toml:6: service.watchdog.timeout: must be 0 (off) or a whole number of seconds from 3 to 86400"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(packFolder(c.text), 1) << c.text;
        EXPECT_EQ(errors_.rfind(std::string("pellux-pack: ") + c.error, 0), 0u) << errors_;
        EXPECT_FALSE(exists("out")) << c.text;
    }
}

}  // namespace
