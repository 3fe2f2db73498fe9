// Configured launchers against a stand-in runtime: the options its jvm.dll
// received, in order, from every source, and what jli.dll was asked.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "common/records.h"
#include "tests/jvmstage/jvmstage_test_support.h"

namespace {

typedef std::vector<std::string> Texts;

class VmOptions : public JvmStage {
protected:
    void SetUp() override { home_ = layOutHome(L"jdk"); }

    void writeAppFile(const std::wstring &name, const std::string &bytes) {
        std::wstring path = appDirectory() + L"\\" + name;
        createDirectories(path.substr(0, path.rfind(L'\\')));
        ASSERT_TRUE(writeFileBytes(path, bytes)) << narrowText(path);
    }
    std::string app(const std::string &name) const { return narrowText(appDirectory()) + "\\" + name; }
    StandinRecord vm() const { return readStandinRecord(home_.jvmRecord); }
    // What follows the launcher properties, whose last one is the console code
    // page while "MANPATH" is unset.
    static Texts afterProperties(const StandinRecord &record) {
        auto last = std::find_if(record.options.begin(), record.options.end(), [](const std::string &option) {
            return option.compare(0, 25, "-Dpellux.consoleCodepage=") == 0;
        });
        EXPECT_NE(last, record.options.end());
        return last == record.options.end() ? Texts() : Texts(last + 1, record.options.end());
    }
    // The locale options the launcher should add, from what its log says it detected.
    static Texts localeOptions(const LauncherRun &run) {
        std::wstring locale = L"en";
        const std::wstring marker = L"] language/country is ";
        size_t at = run.log.find(marker);
        if (at != std::wstring::npos)
            locale = run.log.substr(at + marker.size(), run.log.find(L"\r\n", at) - at - marker.size());
        Texts options = {"-Duser.language=" + narrowText(locale.substr(0, 2))};
        if (locale.size() == 5)
            options.push_back("-Duser.country=" + narrowText(locale.substr(3, 2)));
        return options;
    }

    RuntimeHome home_;
};

TEST_F(VmOptions, every_source_reaches_the_vm_in_assembly_order) {
    writeAppFile(L"libs\\lib.zip", "");
    writeAppFile(L"libs\\lib.jar", "");
    writeAppFile(L"app.jar", "");
    writeAppFile(L"App.vmoptions",
                 "# a comment\n  -Xss2m \t\r\n-Dname=a b\n\n-include-options sub\\more.vmoptions\n"
                 "-classpath/p C:\\pre\n@${launcher:sys.launcherDirectory}args.txt\n");
    writeAppFile(L"sub\\more.vmoptions", "-Dsub=1\n-include-options deeper.vmoptions\n");
    writeAppFile(L"sub\\deeper.vmoptions", "-classpath/a C:\\post\n");
    writeAppFile(L"args.txt", "-Dfrom=file \"-Dquoted=x y\"\n");
    BlockContent content = blockWith(
        {{record::kMainClass, "app.Main"}, {record::kLauncherFlavour, "i"}, {record::kVmParameters, "\"-Dconfigured=a b\" -Xmx256m"}, {record::kVersionOptionCount, "3"}, {record::kVersionOptionFirst, "8-8"},
         {record::versionOptions(0), "-Dversion=eight"}, {record::versionCondition(1), "*17.*"},
         {record::versionOptions(1), "-Dversion=seventeen --add-opens java.base/java.lang=ALL-UNNAMED"}, {record::versionCondition(2), "17-17"},
         {record::versionOptions(2), "-Dversion=third"}, {record::kDefaultVmOptionsFile, "1"}, {record::kJavaOptionArguments, "1"}, {record::kClassPath, "S0libs;A1app.jar;E1CPVAR;E0UNSET_VAR"}});
    content.embeddedFiles = {{"extracted.jar", "PK"}};
    makeLauncher(content);
    LauncherRun run = this->run(L"Svc -J-Dfrom=J -J -Dsun.locale.formatasdefault=false __zno_restart", home_.home,
                                {{L"CPVAR", std::wstring(L"\"C:\\quoted\\v.jar\"")}, {L"UNSET_VAR", std::nullopt}});
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
    StandinRecord record = vm();
    std::string tempDir = optionStartingWith(record, "-Dpellux.tempDir=").substr(17);
    EXPECT_FALSE(tempDir.empty());
    Texts expected = {"-Dconfigured=a b", "-Xmx256m", "-Dversion=seventeen",
                      "--add-opens=java.base/java.lang=ALL-UNNAMED", "-Dsun.locale.formatasdefault=false"};
    for (const std::string &option : localeOptions(run))
        expected.push_back(option);
    Texts rest = {"-Xss2m", "-Dname=a b", "-Dsub=1", "-Dfrom=file", "-Dquoted=x y", "-Dfrom=J",
                  "-Djava.class.path=C:\\pre;" + tempDir + "\\extracted.jar;" + app(".zanthor\\znoruntime.jar;") +
                      app("libs\\lib.jar;") + app("libs\\lib.zip;") + app("app.jar;") + "C:\\quoted\\v.jar;C:\\post",
                  "-Xrs"};
    expected.insert(expected.end(), rest.begin(), rest.end());
    // The bare "-J" gave an empty option, which the VM never sees.
    EXPECT_EQ(afterProperties(record), expected) << run.log.size();
    EXPECT_EQ(record.jniVersion, 0x10002ul);
    EXPECT_TRUE(record.ignoreUnrecognized);
    EXPECT_TRUE(run.logged(L"checking version 8-8 0"));
    EXPECT_TRUE(run.logged(L"checking version *17.* 1"));
    EXPECT_FALSE(run.logged(L"checking version 17-17 1"));
    EXPECT_TRUE(run.logged(L"vmoption count " + std::to_wstring(record.options.size())));

    std::vector<JliRecord> jli = readJliRecords(home_.jliRecord);
    ASSERT_EQ(jli.size(), 1u);
    EXPECT_EQ(jli[0].initCalls, (std::vector<std::pair<bool, bool>>{{true, false}}));
    // jli.dll saw the empty option; "@args.txt" became two.
    ASSERT_EQ(jli[0].preprocessCalls.size(), record.options.size());
    EXPECT_TRUE(std::all_of(jli[0].preprocessCalls.begin(), jli[0].preprocessCalls.end(),
                            [](const JliPreprocessCall &call) { return call.expandSourceOpt && call.afterInit; }));
    EXPECT_EQ(jli[0].frees, (Texts{"elements", "list"}));
}

TEST_F(VmOptions, required_entry_that_yields_nothing_ends_the_launch_with_its_message) {
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kClassPath, "A0optional.jar;A1${launcher:sys.pathlistSeparator}missing.jar"}}));
    LauncherRun run = this->run(L"/run", home_.home);
    EXPECT_EQ(run.result.exitCode, 1u);
    EXPECT_NE(run.result.err.find("File or directory ;missing.jar not found or empty"), std::string::npos)
        << run.result.err;
    EXPECT_FALSE(vm().createCalled);

    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kModulePath, "E1PELLUX_NO_SUCH_VARIABLE"}}));
    run = this->run(L"/run", home_.home, {{L"PELLUX_NO_SUCH_VARIABLE", std::nullopt}});
    EXPECT_EQ(run.result.exitCode, 1u);
    EXPECT_NE(run.result.err.find("The environment variable PELLUX_NO_SUCH_VARIABLE has to be defined"),
              std::string::npos)
        << run.result.err;
}

TEST_F(VmOptions, module_main_class_gets_module_path_opens_and_modules_and_a_service_keeps_one_xrs) {
    // Without record 125 "-J" arguments stay with main; without "@" options jli.dll stays unloaded.
    writeAppFile(L"mods\\app.jar", "");
    makeLauncher(blockWith({{record::kMainClass, "app/com.example.Main"},
                            {record::kMainInModule, "1"},
                            {record::kLauncherFlavour, "i"},
                            {record::kModulePath, "D1mods;"},
                            {record::kVmParameters, "-Xrs --add-exports jdk.internal.vm/jdk.internal=ALL-UNNAMED"}}));
    LauncherRun run = this->run(L"Svc -J-Dnot=forwarded __zno_restart", home_.home);
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_EQ(afterProperties(vm()),
              (Texts{"-Xrs", "--add-exports=jdk.internal.vm/jdk.internal=ALL-UNNAMED", "-Djava.class.path=",
                     "--module-path=" + app("mods;") + app(".zanthor\\znoruntime.jar"),
                     "--add-opens=app/com.example=com.zanthor.runtime", "--add-modules=app,com.zanthor.runtime"}));
    EXPECT_FALSE(run.logged(L"service: adding -Xrs"));
    EXPECT_TRUE(readJliRecords(home_.jliRecord).empty());
}

TEST_F(VmOptions, default_option_file_is_named_after_the_executable_and_read_only_when_configured) {
    writeAppFile(L"App.exe.vmoptions", "-Dfrom=exe.vmoptions\n");
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kDefaultVmOptionsFile, "1"}}));
    LauncherRun run = this->run(L"/run", home_.home);
    EXPECT_TRUE(vm().hasOption("-Dfrom=exe.vmoptions")) << run.log.size();
    EXPECT_NE(run.log.find(L"] vmoptions: opts2: " + launcherPath() + L".vmoptions, file: "), std::wstring::npos);

    writeAppFile(L"App.vmoptions", "-Dfrom=vmoptions\n");
    run = this->run(L"/run", home_.home);
    EXPECT_TRUE(vm().hasOption("-Dfrom=vmoptions"));
    EXPECT_FALSE(vm().hasOption("-Dfrom=exe.vmoptions"));

    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kDefaultVmOptionsFile, "0"}}));
    run = this->run(L"/run", home_.home);
    EXPECT_FALSE(vm().hasOption("-Dfrom=vmoptions"));
    EXPECT_EQ(run.log.find(L"default vmoptions file"), std::wstring::npos);
}

TEST_F(VmOptions, include_cycles_are_refused_and_long_lines_come_in_pieces) {
    std::string longOption = "-Dlong=" + std::string(29999 - 7, 'x');
    writeAppFile(L"App.vmoptions", "-Dtop=1\n-include-options App.vmoptions\n-include-options loop\\a.vmoptions\n" +
                                       longOption + "-Dtail=1\n-include-options chain\\0.vmoptions\n-Dtop=2\n");
    writeAppFile(L"loop\\a.vmoptions", "-Da=1\n-include-options b.vmoptions\n");
    writeAppFile(L"loop\\b.vmoptions", "-Db=1\n-include-options a.vmoptions\n-include-options ..\\APP.vmoptions\n");
    for (int i = 0; i < 20; i++)
        writeAppFile(L"chain\\" + std::to_wstring(i) + L".vmoptions",
                     "-Dchain=" + std::to_string(i) + "\n-include-options " + std::to_string(i + 1) + ".vmoptions\n");
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kDefaultVmOptionsFile, "1"}}));
    LauncherRun run = this->run(L"/run", home_.home);
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
    // The default file and fifteen links of the chain make sixteen open files.
    Texts expected = {"-Dtop=1", "-Da=1", "-Db=1", longOption, "-Dtail=1"};
    for (int i = 0; i < 15; i++)
        expected.push_back("-Dchain=" + std::to_string(i));
    expected.push_back("-Dtop=2");
    Texts options = afterProperties(vm());
    ASSERT_GE(options.size(), 2u);
    options.resize(options.size() - 2);  // class path, noRedir
    EXPECT_EQ(options, expected);
    EXPECT_NE(run.log.find(L"App.vmoptions includes itself, not read again"), std::wstring::npos);
    EXPECT_NE(run.log.find(L"a.vmoptions includes itself, not read again"), std::wstring::npos);
    EXPECT_NE(run.log.find(L"15.vmoptions nested deeper than 16 includes, not read"), std::wstring::npos);
}

TEST_F(VmOptions, argument_files_stay_unexpanded_without_jli) {
    RuntimeHomeLayout layout;
    layout.jliDirectory.clear();
    RuntimeHome home = layOutHome(L"nojli", layout);
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kVmParameters, "@args.txt"}}));
    LauncherRun run = this->run(L"/run", home.home);
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
    Texts options = afterProperties(readStandinRecord(home.jvmRecord));
    EXPECT_EQ(options, (Texts{"@args.txt", "-Djava.class.path=", "-Dzanthor.noRedir=true"}));
    // The runtime search hands over its paths in lower case.
    std::wstring bin = home.home + L"\\bin";
    std::transform(bin.begin(), bin.end(), bin.begin(), towlower);
    EXPECT_TRUE(run.logged(L"did not find " + bin + L"\\jli.dll")) << narrowText(run.log);
}

}  // namespace
