// The JVM stage's decisions that need no system: where jvm.dll is looked for,
// how PATH grows, what the VM and the entry class's main receive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jvm/assemble_vm_options.h"
#include "jvm/jvm_dll_rules.h"
#include "jvm/launcher_properties.h"
#include "tests/host/log_capture.h"

namespace {

typedef std::vector<std::string> Texts;

TEST(VmDirectories, ConfiguredOneFirstThenClientBeforeServer) {
    EXPECT_EQ(vmSubdirectories(""), (Texts{"client", "server", "j9vm", "hotspot", "jrockit"}));
    EXPECT_EQ(vmSubdirectories("custom"), (Texts{"custom", "client", "server", "j9vm", "hotspot", "jrockit"}));
}

TEST(VmDirectories, NestedRuntimeOfADevelopmentKit) {
    EXPECT_EQ(nestedJreBinDirectory("C:\\jdk\\bin"), "C:\\jdk\\bin\\..\\jre\\bin");
}

TEST(UcrtbasePreload, OnlyBeforeVersion6Point4) {
    EXPECT_TRUE(needsUcrtbasePreload(5, 1));
    EXPECT_TRUE(needsUcrtbasePreload(6, 1));
    EXPECT_TRUE(needsUcrtbasePreload(6, 3));
    EXPECT_FALSE(needsUcrtbasePreload(6, 4));
    EXPECT_FALSE(needsUcrtbasePreload(10, 0));
}

TEST(LoadFailure, MessageFollowsTheKindOfLocation) {
    typedef LoadFailureMessage::Argument Argument;
    struct Case {
        int32_t kind, id;
        Argument argument;
    } cases[] = {{0, 1016, Argument::TargetBits},   {1, 1016, Argument::TargetBits},
                 {2, 1019, Argument::LocationName}, {3, 1017, Argument::LocationName},
                 {4, 1005, Argument::None},         {9, 1016, Argument::TargetBits}};
    for (const Case &c : cases) {
        LoadFailureMessage message = loadFailureMessage(c.kind);
        EXPECT_EQ(message.id, c.id) << c.kind;
        EXPECT_EQ(message.argument, c.argument) << c.kind;
    }
}

TEST(PathText, BinDirectoryInFront) {
    EXPECT_EQ(pathWithDirectoryInFront("C:\\jre\\bin", "C:\\Windows"), "C:\\jre\\bin;C:\\Windows");
    EXPECT_EQ(pathWithDirectoryInFront("C:\\jre\\bin", ""), "C:\\jre\\bin;");
}

TEST(PathText, NativeLibrariesInFrontWithExactlyOneSeparator) {
    bool cut = true;
    EXPECT_EQ(composeNativeLibraryPath({"C:\\App\\lib", "C:\\App\\bin"}, "C:\\Windows", 48000, &cut),
              "C:\\App\\lib;C:\\App\\bin;C:\\Windows");
    EXPECT_FALSE(cut);
    EXPECT_EQ(composeNativeLibraryPath({"C:\\App\\lib", "", "C:\\App\\bin"}, "C:\\W", 48000, nullptr),
              "C:\\App\\lib;C:\\App\\bin;C:\\W");
    EXPECT_EQ(composeNativeLibraryPath({}, "C:\\Windows", 48000, nullptr), "C:\\Windows");
    EXPECT_EQ(composeNativeLibraryPath({}, "", 48000, nullptr), "");
}

TEST(PathText, NativeLibraryPathIsBoundedByItsBuffer) {
    bool cut = false;
    std::string path = composeNativeLibraryPath({"C:\\lib"}, std::string(100, 'x'), 21, &cut);
    EXPECT_TRUE(cut);
    EXPECT_EQ(path, "C:\\lib;" + std::string(13, 'x'));
    EXPECT_EQ(composeNativeLibraryPath({"C:\\lib"}, "abc", 11, &cut), "C:\\lib;abc");
    EXPECT_FALSE(cut);
}

LauncherPropertyValues fullValues() {
    LauncherPropertyValues values;
    values.semaphoreName = "Local\\c:_app_app.exe0";
    values.zanthorFlavour = true;
    values.serviceMode = true;
    values.executablePath = "C:\\App\\App.exe";
    values.tempDir = "C:\\Temp\\plx1_dir";
    values.unextractedOffset = 1234;
    values.path = "C:\\jre\\bin;C:\\Windows";
    values.consoleCodepage = 850;
    return values;
}

TEST(LauncherProperties, AllNineInTheirOrder) {
    EXPECT_EQ(buildLauncherProperties(fullValues()),
              (Texts{"-Dpellux.semaphoreName=Local\\c:_app_app.exe0", "-Dpellux.isZanthor=true",
                     "-Dpellux.isService=true", "-Dpellux.moduleName=C:\\App\\App.exe",
                     "-Dsun.java.command=C:\\App\\App.exe", "-Dpellux.tempDir=C:\\Temp\\plx1_dir",
                     "-Dpellux.unextractedPosition=1234", "-Djava.library.path=C:\\jre\\bin;C:\\Windows",
                     "-Dpellux.consoleCodepage=cp850"}));
}

TEST(LauncherProperties, ConditionalOnesLeftOut) {
    LauncherPropertyValues values = fullValues();
    values.semaphoreName.clear();
    values.zanthorFlavour = false;
    values.serviceMode = false;
    values.tempDir.clear();
    values.manpathDefined = true;
    EXPECT_EQ(buildLauncherProperties(values),
              (Texts{"-Dpellux.moduleName=C:\\App\\App.exe", "-Dsun.java.command=C:\\App\\App.exe",
                     "-Dpellux.tempDir=", "-Dpellux.unextractedPosition=1234",
                     "-Djava.library.path=C:\\jre\\bin;C:\\Windows"}));
}

TEST(LauncherProperties, LongPathIsCutAtTheLibraryPathBufferAndLogged) {
    LauncherPropertyValues values = fullValues();
    values.path = std::string(20000, 'p');
    capturedLog().clear();
    Texts properties = buildLauncherProperties(values);
    const std::string &libraryPath = properties[7];
    EXPECT_EQ(libraryPath.size(), kLibraryPathPropertyCapacity - 1);
    EXPECT_EQ(libraryPath.compare(0, 20, "-Djava.library.path="), 0);
    EXPECT_TRUE(logContains(L"ERROR: launcher property java.library.path cut at 11999 of 20020 bytes"));
}

TEST(LauncherProperties, OtherPropertiesAreBoundedToo) {
    LauncherPropertyValues values = fullValues();
    values.executablePath = std::string(7000, 'e');
    Texts properties = buildLauncherProperties(values);
    EXPECT_EQ(properties[3].size(), kLauncherPropertyCapacity - 1);
    EXPECT_EQ(properties[4].size(), kLauncherPropertyCapacity - 1);
}

TEST(EntryClass, NamesFollowTheFlavour) {
    EXPECT_STREQ(launcherClassName('i'), "com/zanthor/runtime/launcher/WinLauncher");
    EXPECT_STREQ(launcherClassName(0), "com/pellux/runtime/WinLauncher");
    EXPECT_STREQ(launcherRuntimeModule('i'), "com.zanthor.runtime");
    EXPECT_STREQ(launcherRuntimeModule('x'), "com.pellux.runtime");
}

TEST(MainParameters, FiveLauncherParameters) {
    LauncherParameterValues values;
    values.mainClass = L"app.Main";
    EXPECT_EQ(buildLauncherParameters(values), (StringList{L"false", L"app.Main", L"", L"", L"false"}));
    values.windowed = true;
    values.moduleMainClass = true;
    values.mainClass = L"app.module/com.example.Main";
    values.errorFile = L"C:\\logs\\err.txt";
    values.outputFile = L"$out";
    values.appendOutput = true;
    EXPECT_EQ(buildLauncherParameters(values), (StringList{L"true", L"/app.module/com.example.Main",
                                                           L"C:\\logs\\err.txt", L"$out", L"true"}));
}

const StringList kFive = {L"false", L"app.Main", L"", L"", L"false"};

TEST(MainParameters, VmArgumentsAreLeftOutAfterTheFirst) {
    StringList arguments = {L"Svc", L"-J-Xmx1g", L"-Dsun.locale.formatasdefault=true", L"x"};
    StringList expected = kFive;
    expected.insert(expected.end(), {L"Svc", L"c1", L"c 2", L"x"});
    EXPECT_EQ(buildMainParameters(kFive, arguments, {L"c1", L"c 2"}, true), expected);
    expected = kFive;
    expected.insert(expected.end(), {L"Svc", L"c1", L"c 2", L"-J-Xmx1g", L"x"});
    EXPECT_EQ(buildMainParameters(kFive, arguments, {L"c1", L"c 2"}, false), expected);
}

TEST(MainParameters, FirstArgumentIsPassedWhateverItLooksLike) {
    StringList expected = kFive;
    expected.push_back(L"-Jfirst");
    EXPECT_EQ(buildMainParameters(kFive, {L"-Jfirst"}, {}, true), expected);
}

TEST(MainParameters, EmptyArgumentListGivesOnlyLauncherAndConfiguredParameters) {
    StringList expected = kFive;
    expected.push_back(L"c1");
    EXPECT_EQ(buildMainParameters(kFive, {}, {L"c1"}, true), expected);
    EXPECT_EQ(buildMainParameters(kFive, {}, {}, false), kFive);
}

TEST(VmOptionList, ServiceGetsXrsOnceAndRunGetsNoRedirect) {
    capturedLog().clear();
    VmOptionList options = {"-Xmx1g"};
    appendModeOptions(options, true, false);
    EXPECT_EQ(options, (Texts{"-Xmx1g", "-Xrs"}));
    EXPECT_TRUE(logContains(L"service: adding -Xrs"));
    capturedLog().clear();
    appendModeOptions(options, true, true);
    EXPECT_EQ(options, (Texts{"-Xmx1g", "-Xrs", "-Dzanthor.noRedir=true"}));
    EXPECT_FALSE(logContains(L"service: adding -Xrs"));
}

TEST(VmOptionList, InitArgsPointIntoTheListWithoutEmptyOptions) {
    VmOptionList options = {"", "-Da=1", "", "-Xss2m", ""};
    removeEmptyOptions(options);
    std::vector<JavaVMOption> array;
    JavaVMInitArgs initArgs = {};
    capturedLog().clear();
    fillInitArgs(options, array, initArgs);
    EXPECT_EQ(initArgs.version, 0x00010002);
    EXPECT_EQ(initArgs.ignoreUnrecognized, JNI_TRUE);
    ASSERT_EQ(initArgs.nOptions, 2);
    EXPECT_STREQ(initArgs.options[0].optionString, "-Da=1");
    EXPECT_STREQ(initArgs.options[1].optionString, "-Xss2m");
    EXPECT_EQ(initArgs.options[1].extraInfo, nullptr);
    EXPECT_TRUE(logContains(L"vmoption count 2"));
    EXPECT_TRUE(logContains(L"vmoption 1: -Xss2m"));
}

}  // namespace
