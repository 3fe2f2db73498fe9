// From start-up to a running entry class and back to an exit code: what the
// VM receives, what main receives, how the run ends.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "common/records.h"
#include "common/text.h"
#include "standins/run_process.h"
#include "tests/jvmstage/jvmstage_test_support.h"

namespace {

class Launch : public JvmStage {
protected:
    void SetUp() override { home_ = layOutHome(L"jdk"); }

    StandinRecord vm() const { return readStandinRecord(home_.jvmRecord); }
    void actOut(const std::string &settings) { ASSERT_TRUE(writeJvmSettings(home_, settings)); }
    LauncherRun runApp(const std::wstring &arguments, const EnvironmentChanges &extra = {}) {
        return run(arguments, home_.home, extra);
    }
    std::string exe() const { return narrowText(launcherPath()); }
    // "/run" of a launcher with the main class app.Main while the VM acts out settings.
    LauncherRun runActingOut(const std::string &settings, const BlockContent &content = blockWith({{record::kMainClass, "app.Main"}})) {
        EXPECT_TRUE(writeJvmSettings(home_, settings));
        makeLauncher(content);
        return runApp(L"/run");
    }

    RuntimeHome home_;
};

typedef std::vector<std::string> Texts;

TEST_F(Launch, main_returning_ends_the_run_with_exit_code_0_after_destroying_the_vm) {
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    LauncherRun run = runApp(L"/run");
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
    StandinRecord record = vm();
    EXPECT_TRUE(record.mainReturned);
    EXPECT_TRUE(record.destroyed);
    EXPECT_TRUE(record.destroyedOnCreatingThread);
    EXPECT_TRUE(record.traps.empty());
    EXPECT_LT(run.logPosition(L"Loading of JVM-DLL successful"), run.logPosition(L"launching program"));
    EXPECT_LT(run.logPosition(L"JVM created"), run.logPosition(L"calling main"));
    EXPECT_LT(run.logPosition(L"calling main"), run.logPosition(L"main returned"));
    EXPECT_LT(run.logPosition(L"main returned"), run.logPosition(L"dest JVM"));
    EXPECT_LT(run.logPosition(L"dest JVM"), run.logPosition(L"launch done"));
}

TEST_F(Launch, run_hands_the_launcher_properties_first_then_class_path_and_no_redirection) {
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kLauncherFlavour, "i"}}));
    LauncherRun run = runApp(L"/run");
    StandinRecord record = vm();
    ASSERT_EQ(record.options.size(), 10u) << run.log;
    std::string semaphore = optionStartingWith(record, "-Dpellux.semaphoreName=");
    std::string libraryPath = optionStartingWith(record, "-Djava.library.path=");
    std::string codePage = optionStartingWith(record, "-Dpellux.consoleCodepage=cp");
    EXPECT_GT(semaphore.size(), 23u);
    EXPECT_FALSE(codePage.empty());
    EXPECT_EQ(record.options, (Texts{semaphore, "-Dpellux.isZanthor=true", "-Dpellux.moduleName=" + exe(),
                                     "-Dsun.java.command=" + exe(), "-Dpellux.tempDir=",
                                     "-Dpellux.unextractedPosition=0", libraryPath, codePage,
                                     "-Djava.class.path=" + narrowText(appDirectory()) + "\\.zanthor\\znoruntime.jar",
                                     "-Dzanthor.noRedir=true"}));
    EXPECT_TRUE(run.logged(L"vmoption 9: -Dzanthor.noRedir=true"));
}

TEST_F(Launch, worker_runs_as_a_service_and_run_redirect_does_not) {
    // The application's environment is set before the options are expanded,
    // each value against the environment before any of them.
    makeLauncher(blockWith({{record::kMainClass, "app.Main"},
                            {record::kVmParameters, "-Xrs -Xmx64m -Dseen=${PELLUX_PROBE}|${MANPATH}"},
                            {record::kEnvironment, "PELLUX_PROBE=${MANPATH}/x\nMANPATH=replaced\n=bad"}}));
    LauncherRun run = runWorker(home_.home, {{L"MANPATH", L"/usr/share/man"}});
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
    StandinRecord record = vm();
    EXPECT_TRUE(record.hasOption("-Dseen=/usr/share/man/x|replaced"));
    EXPECT_NE(run.log.find(L"environment entry '=bad' has no name Windows can hold: skipped"), std::wstring::npos);
    EXPECT_TRUE(record.hasOption("-Dpellux.isService=true"));
    EXPECT_EQ(std::count(record.options.begin(), record.options.end(), "-Xrs"), 1);
    EXPECT_FALSE(record.hasOption("-Dzanthor.noRedir=true"));
    EXPECT_EQ(optionStartingWith(record, "-Dpellux.consoleCodepage="), "");
    EXPECT_TRUE(run.logged(L"registering ConsoleCtrlHandler"));
    ASSERT_EQ(record.mainArguments.size(), 6u);
    EXPECT_EQ(record.mainArguments[5], "Svc");

    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    run = runApp(L"/run-redirect");
    record = vm();
    EXPECT_FALSE(record.hasOption("-Dpellux.isService=true"));
    EXPECT_FALSE(record.hasOption("-Xrs"));
    EXPECT_FALSE(record.hasOption("-Dzanthor.noRedir=true"));
    EXPECT_FALSE(run.logged(L"registering ConsoleCtrlHandler"));
}

TEST_F(Launch, extracted_files_reach_the_vm) {
    BlockContent content = blockWith({{record::kMainClass, "app.Main"}});
    content.embeddedFiles = {{"app.jar", std::string(100, 'j')}, {"lib\\notes.txt", "n"}};
    std::wstring launcher = makeLauncher(content);
    runApp(L"/run");
    StandinRecord record = vm();
    std::string tempDir = optionStartingWith(record, "-Dpellux.tempDir=").substr(17);
    EXPECT_FALSE(tempDir.empty());
    EXPECT_EQ(optionStartingWith(record, "-Djava.class.path="), "-Djava.class.path=" + tempDir + "\\app.jar");
    EXPECT_EQ(optionStartingWith(record, "-Dpellux.unextractedPosition="),
              "-Dpellux.unextractedPosition=" + std::to_string(readFileBytes(launcher).size()));
    EXPECT_FALSE(fileExists(widenBytes(tempDir))) << "the normal end removes it, as a fatal one does";
}

TEST_F(Launch, failed_extraction_ends_with_internal_error_16) {
    BlockContent content = blockWith({{record::kMainClass, "app.Main"}});
    content.embeddedFiles = {{"app.jar", std::string(100, 'j')}};
    std::wstring launcher = makeLauncher(content);
    std::string bytes = readFileBytes(launcher);
    ASSERT_TRUE(writeFileBytes(launcher, bytes.substr(0, bytes.size() - 10)));
    LauncherRun run = runApp(L"/run");
    EXPECT_EQ(run.result.exitCode, 1u);
    EXPECT_NE(run.result.err.find("An internal error occurred (error code: 16)"), std::string::npos) << run.result.err;
    EXPECT_FALSE(vm().present);
}

TEST_F(Launch, main_receives_launcher_parameters_then_arguments_in_exact_order) {
    makeLauncher(blockWith({{record::kRedirectError, "1"},
                            {record::kErrorFile, "logs\\err.txt"},
                            {record::kRedirectOutput, "1"},
                            {record::kOutputFile, "$out"},
                            {record::kAppendOutput, "1"},
                            {record::kMainClass, "app.Main"},
                            {record::kMainArguments, "c1 \"c 2\""},
                            {record::kJavaOptionArguments, "1"}}));
    LauncherRun run = runApp(L"/run -J-Xmx1g -Dsun.locale.formatasdefault=true x");
    EXPECT_EQ(vm().mainArguments, (Texts{"false", "app.Main", narrowText(appDirectory()) + "\\logs\\err.txt", "$out",
                                         "true", exe(), "c1", "c 2", "x"}));
    EXPECT_TRUE(run.logged(L"param count: 9")) << run.log;
    EXPECT_TRUE(run.logged(L"param 7: c 2"));

    makeLauncher(blockWith({{record::kMainClass, "app.module/com.example.Main"}, {record::kMainInModule, "1"}, {record::kErrorFile, "err.txt"}}));
    runApp(L"/run");
    EXPECT_EQ(vm().mainArguments,
              (Texts{"false", "/app.module/com.example.Main", "", "", "false", exe()}));
}

TEST_F(Launch, missing_output_folders_are_made_whether_shared_or_apart) {
    auto folderExists = [this](const wchar_t *name) {
        DWORD attributes = GetFileAttributesW((appDirectory() + L"\\" + name).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    };
    auto runWithFiles = [this](const char *error, const char *output) {
        makeLauncher(blockWith({{record::kMainClass, "app.Main"},
                                {record::kSafeOutputFiles, "1"},
                                {record::kRedirectError, "1"},
                                {record::kErrorFile, error},
                                {record::kRedirectOutput, "1"},
                                {record::kOutputFile, output}}));
        return runApp(L"/run");
    };
    LauncherRun run = runWithFiles("logs\\err.txt", "logs\\out.txt");
    EXPECT_EQ(run.result.exitCode, 0u) << run.log;
    EXPECT_TRUE(folderExists(L"logs"));
    run = runWithFiles("errors\\err.txt", "output\\out.txt");
    EXPECT_EQ(run.result.exitCode, 0u) << run.log;
    EXPECT_TRUE(folderExists(L"errors"));
    EXPECT_TRUE(folderExists(L"output"));
}

TEST_F(Launch, last_positive_xss_sets_the_jvm_threads_stack_reservation) {
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kVmParameters, "-Xss1m -Xss2m -Xss0"}}));
    LauncherRun run = runApp(L"/run");
    EXPECT_TRUE(run.logged(L"used stack size 2097152")) << run.log;
    EXPECT_EQ(vm().stackReserve, 2097152u);

    // Wine reserves at least 1 MiB whatever is asked for, so only the decision shows.
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kVmParameters, "-Xss1k"}}));
    EXPECT_TRUE(runApp(L"/run").logged(L"used stack size 65536"));
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    EXPECT_TRUE(runApp(L"/run").logged(L"used stack size 0"));
}

TEST_F(Launch, exception_escaping_main_ends_with_exit_code_1_without_destroying_the_vm) {
    LauncherRun run = runActingOut("main=throw\nthrowClass=java/lang/IllegalStateException\nthrowText=boom\n");
    EXPECT_EQ(run.result.exitCode, 1u);
    EXPECT_LT(run.logPosition(L"ERROR: an exception occurred"),
              run.logPosition(L"ERROR: java.lang.IllegalStateException: boom"))
        << run.log;
    EXPECT_LT(run.logPosition(L"ERROR: java.lang.IllegalStateException: boom"),
              run.logPosition(L"ERROR: could not call main")) << run.log;
    StandinRecord record = vm();
    EXPECT_FALSE(record.destroyed);
    EXPECT_EQ(record.exceptionDescribeCalls, 1);
    EXPECT_NE(run.result.err.find("java.lang.IllegalStateException: boom"), std::string::npos) << run.result.err;
    EXPECT_TRUE(record.traps.empty());
}

TEST_F(Launch, application_exit_code_becomes_the_processes) {
    EXPECT_EQ(runActingOut("main=exit\nexitCode=7\n").result.exitCode, 7u);
    EXPECT_TRUE(vm().exited);
}

TEST_F(Launch, missing_entry_class_or_main_method_shows_its_message) {
    LauncherRun run = runActingOut("missingClasses=com/pellux/runtime/WinLauncher\n");
    EXPECT_EQ(run.result.exitCode, 1u);
    EXPECT_TRUE(run.logged(L"ERROR: could not find main class")) << run.log;
    EXPECT_NE(run.result.err.find("Couldn't load main class."), std::string::npos) << run.result.err;
    EXPECT_FALSE(vm().mainCalled);

    run = runActingOut("missingMethods=main\n", blockWith({{record::kMainClass, "app.Main"}, {record::kLauncherFlavour, "i"}}));
    EXPECT_EQ(run.result.exitCode, 1u);
    EXPECT_TRUE(run.logged(L"main class: com/zanthor/runtime/launcher/WinLauncher")) << run.log;
    EXPECT_TRUE(run.logged(L"ERROR: could not find main method"));
    EXPECT_NE(run.result.err.find("Main method not found."), std::string::npos) << run.result.err;
}

TEST_F(Launch, failed_vm_creation_ends_with_exit_code_1_and_no_message) {
    LauncherRun run = runActingOut("createResult=-1\n");
    EXPECT_EQ(run.result.exitCode, 1u);
    EXPECT_TRUE(run.logged(L"ERROR: could not initialize JVM")) << run.log;
    EXPECT_EQ(run.result.err, "");
    EXPECT_FALSE(vm().mainCalled);
}

TEST_F(Launch, parameters_the_vm_cannot_make_end_the_run_with_exit_code_1) {
    LauncherRun run = runActingOut("failNewObjectArray=1\n");
    EXPECT_EQ(run.result.exitCode, 1u);
    EXPECT_TRUE(run.logged(L"ERROR: could not create the parameter array of 6 elements")) << run.log;
    EXPECT_TRUE(run.logged(L"ERROR: could not call main"));
    StandinRecord record = vm();
    EXPECT_FALSE(record.mainCalled);
    EXPECT_FALSE(record.destroyed);
    EXPECT_TRUE(record.traps.empty());

    run = runActingOut("failNewString=1\n");
    EXPECT_EQ(run.result.exitCode, 1u);
    EXPECT_TRUE(run.logged(L"ERROR: could not create string for init module name")) << run.log;
    EXPECT_TRUE(run.logged(L"ERROR: could not create parameter 0"));
    EXPECT_FALSE(vm().mainCalled);
    EXPECT_TRUE(vm().traps.empty());
}

// The variables of the test process are what runProcess's child inherits.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t *name, const wchar_t *value) : name_(name) {
        wchar_t old[32768];
        DWORD length = GetEnvironmentVariableW(name, old, 32768);
        had_ = length > 0 && length < 32768;
        if (had_)
            old_ = old;
        SetEnvironmentVariableW(name, value);
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_.c_str(), had_ ? old_.c_str() : nullptr); }

private:
    std::wstring name_;
    std::wstring old_;
    bool had_ = false;
};

TEST_F(Launch, worker_ends_normally_when_the_host_writes_the_stop_line) {
    actOut("main=stdin\n");
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    ScratchDirectory temp;
    ScopedVariable log(L"PELLUX_LOG", L"yes"), tempVariable(L"TEMP", temp.path().c_str()),
        tmp(L"TMP", temp.path().c_str()), javaHome(L"PELLUX_JAVA_HOME", home_.home.c_str());
    ProcessRequest request;
    request.commandLine = L"\"" + launcherPath() + L"\" Svc __zno_restart";
    request.standardInput = "starting\n0\n";
    ProcessResult result = runProcess(request);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u);
    StandinRecord record = vm();
    EXPECT_EQ(record.stdinLines, (Texts{"starting", "0"}));
    EXPECT_EQ(record.stdinEnd, "stop-line");
    EXPECT_TRUE(record.destroyed);
}

TEST_F(Launch, worker_ends_normally_at_the_end_of_its_input) {
    actOut("main=stdin\n");
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    EXPECT_EQ(runWorker(home_.home).result.exitCode, 0u);
    EXPECT_EQ(vm().stdinEnd, "eof");
}

}  // namespace

// Wine keeps no event records (ReportEventW is a stub there): the calls show
// in the log, and their strings in Wine's eventlog trace, which goes to the
// test run's own output.
TEST_F(Launch, service_worker_writes_its_start_and_a_launch_failure_to_the_event_log) {
    EnvironmentChanges trace = {{L"WINEDEBUG", L"warn+eventlog"}};
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kEventLog, "1"}}));
    LauncherRun run = runWorker(home_.home, trace);
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_NE(run.log.find(L"event 101 written"), std::wstring::npos) << run.log;

    run = runWorker(L"", trace);
    EXPECT_EQ(run.result.exitCode, 1u);
    EXPECT_NE(run.log.find(L"event 105 written"), std::wstring::npos) << run.log;

    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    run = runWorker(L"", trace);
    EXPECT_EQ(run.log.find(L"event 105"), std::wstring::npos) << "no entries without the record";
}
