#include "bridge/java_command.h"

#include <gtest/gtest.h>

namespace {

// Stands in for Wine's mapping: "C:\a\b" -> "/drive_c/a/b".
std::string fakeUnixPath(const std::string &windowsPath) {
    std::string unix = windowsPath;
    for (char &c : unix)
        if (c == '\\')
            c = '/';
    if (unix.size() >= 2 && unix[1] == ':')
        unix = std::string("/drive_") + static_cast<char>(std::tolower(unix[0])) + unix.substr(2);
    return unix;
}

std::string translated(const std::string &option) {
    std::string linux;
    if (!translateVmOption(option, fakeUnixPath, linux))
        return "(dropped)";
    return linux;
}

TEST(WindowsPathRecognition, drive_and_network_paths_only) {
    EXPECT_TRUE(isWindowsAbsolutePath("C:\\app"));
    EXPECT_TRUE(isWindowsAbsolutePath("d:/app"));
    EXPECT_TRUE(isWindowsAbsolutePath("\\\\server\\share\\x"));
    EXPECT_FALSE(isWindowsAbsolutePath("C:"));
    EXPECT_FALSE(isWindowsAbsolutePath("C:relative"));
    EXPECT_FALSE(isWindowsAbsolutePath("1:\\x"));
    EXPECT_FALSE(isWindowsAbsolutePath("/usr/lib"));
    EXPECT_FALSE(isWindowsAbsolutePath("Global\\c:_app"));
    EXPECT_FALSE(isWindowsAbsolutePath(""));
}

TEST(VmOptionTranslation, path_lists_become_unix_lists_without_empty_entries) {
    EXPECT_EQ(translated("-Djava.class.path=C:\\app\\a.jar;;C:\\app dir\\b.jar;"),
              "-Djava.class.path=/drive_c/app/a.jar:/drive_c/app dir/b.jar");
    EXPECT_EQ(translated("--module-path=C:\\mods;D:\\more"), "--module-path=/drive_c/mods:/drive_d/more");
    EXPECT_EQ(translated("--upgrade-module-path=C:\\up"), "--upgrade-module-path=/drive_c/up");
    EXPECT_EQ(translated("-Xbootclasspath/a:C:\\boot.jar"), "-Xbootclasspath/a:/drive_c/boot.jar");
    EXPECT_EQ(translated("--patch-module=java.base=C:\\p1;C:\\p2"), "--patch-module=java.base=/drive_c/p1:/drive_c/p2");
    EXPECT_EQ(translated("-Djava.class.path="), "-Djava.class.path=");
}

TEST(VmOptionTranslation, single_paths_in_options_are_translated) {
    EXPECT_EQ(translated("-javaagent:C:\\agent.jar=opt=1"), "-javaagent:/drive_c/agent.jar=opt=1");
    EXPECT_EQ(translated("-javaagent:C:\\agent.jar"), "-javaagent:/drive_c/agent.jar");
    EXPECT_EQ(translated("-Xloggc:C:\\logs\\gc.log"), "-Xloggc:/drive_c/logs/gc.log");
    EXPECT_EQ(translated("@C:\\app\\options.txt"), "@/drive_c/app/options.txt");
    EXPECT_EQ(translated("-XX:HeapDumpPath=C:\\dumps"), "-XX:HeapDumpPath=/drive_c/dumps");
}

TEST(VmOptionTranslation, property_values_translated_only_when_they_are_windows_paths) {
    EXPECT_EQ(translated("-Dpellux.tempDir=C:\\Temp\\zno"), "-Dpellux.tempDir=/drive_c/Temp/zno");
    EXPECT_EQ(translated("-Dlist=C:\\a;D:\\b"), "-Dlist=/drive_c/a:/drive_d/b");
    EXPECT_EQ(translated("-Dmixed=C:\\a;plain"), "-Dmixed=C:\\a;plain");
    EXPECT_EQ(translated("-Dpellux.semaphoreName=Local\\c:_app_app.exe0"), "-Dpellux.semaphoreName=Local\\c:_app_app.exe0");
    EXPECT_EQ(translated("-Dpellux.consoleCodepage=cp437"), "-Dpellux.consoleCodepage=cp437");
    EXPECT_EQ(translated("-Dvalue=a=C:\\b"), "-Dvalue=a=C:\\b");
    EXPECT_EQ(translated("-Dflag"), "-Dflag");
    EXPECT_EQ(translated("-Dempty="), "-Dempty=");
}

TEST(VmOptionTranslation, options_without_meaning_on_linux_are_dropped) {
    EXPECT_EQ(translated("-Djava.library.path=C:\\jdk\\bin;C:\\windows"), "(dropped)");
    EXPECT_EQ(translated("-agentpath:C:\\profiler.dll"), "(dropped)");
    EXPECT_EQ(translated("vfprintf"), "(dropped)");
    EXPECT_EQ(translated("exit"), "(dropped)");
    EXPECT_EQ(translated("abort"), "(dropped)");
}

TEST(VmOptionTranslation, other_options_pass_unchanged) {
    EXPECT_EQ(translated("-Xrs"), "-Xrs");
    EXPECT_EQ(translated("-Xss1m"), "-Xss1m");
    EXPECT_EQ(translated("--add-modules=app,com.zanthor.runtime"), "--add-modules=app,com.zanthor.runtime");
    EXPECT_EQ(translated("--add-opens=app/com.example=com.zanthor.runtime"),
              "--add-opens=app/com.example=com.zanthor.runtime");
    EXPECT_EQ(translated("-agentlib:jdwp=transport=dt_socket"), "-agentlib:jdwp=transport=dt_socket");
    EXPECT_EQ(translated("@"), "@");
}

TEST(JavaCommand, order_is_options_then_properties_then_class_then_arguments) {
    JavaLaunch launch;
    launch.vmOptions = {"-Djava.class.path=C:\\app\\rt.jar", "-Djava.library.path=C:\\windows", "-Dp=old", "-Xrs"};
    launch.properties = {{"p", "new"}, {"pellux.moduleName", "C:\\app\\app.exe"}};
    launch.entryClass = "com/zanthor/runtime/launcher/WinLauncher";
    launch.mainArguments = {"false", "com.example.Main", "", "", "false", "Svc"};
    std::vector<std::string> expected{"/jdk/bin/java",
                                      "-Djava.class.path=/drive_c/app/rt.jar",
                                      "-Dp=old",
                                      "-Xrs",
                                      "-Dp=new",
                                      "-Dpellux.moduleName=/drive_c/app/app.exe",
                                      "com.zanthor.runtime.launcher.WinLauncher",
                                      "false",
                                      "com.example.Main",
                                      "",
                                      "",
                                      "false",
                                      "Svc"};
    EXPECT_EQ(buildJavaCommand("/jdk/bin/java", launch, fakeUnixPath), expected);
}

TEST(JavaCommand, only_the_redirection_file_parameters_are_translated) {
    JavaLaunch launch;
    launch.entryClass = "Main";
    launch.mainArguments = {"C:\\zero", "C:\\one", "C:\\logs\\err.txt", "$STDOUT", "C:\\four", "C:\\five"};
    std::vector<std::string> command = buildJavaCommand("java", launch, fakeUnixPath);
    std::vector<std::string> expected{"java", "Main", "C:\\zero", "C:\\one", "/drive_c/logs/err.txt",
                                      "$STDOUT", "C:\\four", "C:\\five"};
    EXPECT_EQ(command, expected);
}

TEST(JavaCommand, a_short_parameter_list_is_passed_as_it_is) {
    JavaLaunch launch;
    launch.entryClass = "a/B";
    EXPECT_EQ(buildJavaCommand("java", launch, fakeUnixPath), (std::vector<std::string>{"java", "a.B"}));
}

TEST(JavaExeArguments, switch_values_are_translated_up_to_the_main_class) {
    std::vector<std::string> arguments{"-cp", "C:\\a.jar;C:\\b.jar", "--add-modules", "x", "-Dd=C:\\d",
                                       "Main", "-cp", "C:\\kept", "-Dk=C:\\k"};
    std::vector<std::string> expected{"-cp", "/drive_c/a.jar:/drive_c/b.jar", "--add-modules", "x",
                                      "-Dd=/drive_c/d", "Main", "-cp", "C:\\kept", "-Dk=C:\\k"};
    EXPECT_EQ(translateJavaExeArguments(arguments, fakeUnixPath), expected);
}

TEST(JavaExeArguments, jar_and_module_forms_end_the_options) {
    EXPECT_EQ(translateJavaExeArguments({"-jar", "C:\\app.jar", "C:\\arg"}, fakeUnixPath),
              (std::vector<std::string>{"-jar", "/drive_c/app.jar", "C:\\arg"}));
    EXPECT_EQ(translateJavaExeArguments({"-p", "C:\\mods", "-m", "app/a.Main", "-Dx=C:\\x"}, fakeUnixPath),
              (std::vector<std::string>{"-p", "/drive_c/mods", "-m", "app/a.Main", "-Dx=C:\\x"}));
    EXPECT_EQ(translateJavaExeArguments({"-version"}, fakeUnixPath), (std::vector<std::string>{"-version"}));
    // A switch at the very end has no value to translate and is passed on.
    EXPECT_EQ(translateJavaExeArguments({"-cp"}, fakeUnixPath), (std::vector<std::string>{"-cp"}));
    EXPECT_EQ(translateJavaExeArguments({"-Djava.library.path=C:\\w", "-version"}, fakeUnixPath),
              (std::vector<std::string>{"-version"}));
}

}  // namespace
