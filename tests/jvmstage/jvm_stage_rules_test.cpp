// The JVM stage's decisions that need no system: the C runtime preload, how
// PATH grows within its buffers, what main receives, what the VM receives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/settings.h"
#include "jvm/assemble_vm_options.h"
#include "jvm/jvm_dll_rules.h"
#include "jvm/launcher_properties.h"
#include "runtime/environment_rules.h"
#include "tests/host/log_capture.h"

namespace {

TEST(UcrtbasePreload, OnlyBeforeVersion6Point4) {
    EXPECT_TRUE(needsUcrtbasePreload(5, 1));
    EXPECT_TRUE(needsUcrtbasePreload(6, 3));
    EXPECT_FALSE(needsUcrtbasePreload(6, 4));
    EXPECT_FALSE(needsUcrtbasePreload(10, 0));
}

TEST(NativeLibraryPath, EmptyEntriesAddNoSeparator) {
    EXPECT_EQ(composeNativeLibraryPath({"C:\\App\\lib", "", "C:\\App\\bin"}, "C:\\W", 48000, nullptr),
              "C:\\App\\lib;C:\\App\\bin;C:\\W");
    EXPECT_EQ(composeNativeLibraryPath({}, "C:\\W", 48000, nullptr), "C:\\W");
}

// Whole entries are dropped: a cut one would name another folder.
TEST(NativeLibraryPath, IsCutAtItsBufferByWholeEntriesAndSaysSo) {
    bool cut = false;
    EXPECT_EQ(composeNativeLibraryPath({"C:\\lib"}, std::string(100, 'x'), 21, &cut), "C:\\lib;");
    EXPECT_TRUE(cut);
    EXPECT_EQ(composeNativeLibraryPath({"C:\\lib"}, "C:\\a;C:\\bb;C:\\ccc", 20, &cut), "C:\\lib;C:\\a;C:\\bb;");
    EXPECT_TRUE(cut);
    EXPECT_EQ(composeNativeLibraryPath({"C:\\lib"}, "abc", 11, &cut), "C:\\lib;abc");
    EXPECT_FALSE(cut);
}

TEST(ApplicationEnvironment, RecordLinesBecomeVariablesAndNamelessLinesAreRefused) {
    std::vector<std::string> refused;
    std::vector<EnvironmentSetting> variables =
        parseEnvironmentRecord("TZ=UTC\r\n\nPATH=C:\\t;${PATH}\n=C:=C:\\\nEMPTY=\nnoequals\nA==b", &refused);
    ASSERT_EQ(variables.size(), 4u);
    EXPECT_EQ(variables[0].name + "|" + variables[0].value, "TZ|UTC");
    EXPECT_EQ(variables[1].name + "|" + variables[1].value, "PATH|C:\\t;${PATH}");
    EXPECT_EQ(variables[2].name + "|" + variables[2].value, "EMPTY|");
    EXPECT_EQ(variables[3].name + "|" + variables[3].value, "A|=b");
    EXPECT_EQ(refused, (std::vector<std::string>{"=C:=C:\\", "noequals"}));
    EXPECT_EQ(parseEnvironmentRecord(environmentRecordText(variables), &refused).size(), 4u);
    EXPECT_FALSE(isEnvironmentName(std::string("A\0B", 3)));
    EXPECT_FALSE(isEnvironmentValue("a\rb"));
}

TEST(LauncherProperties, LongPathIsCutAtTheLibraryPathBufferAndLogged) {
    LauncherPropertyValues values;
    values.executablePath = "C:\\App\\App.exe";
    values.path = std::string(11000, 'p') + ";" + std::string(8999, 'q');
    capturedLog().clear();
    std::vector<std::string> properties = buildLauncherProperties(values);
    ASSERT_EQ(properties.size(), 6u);
    EXPECT_EQ(properties[4], "-Djava.library.path=" + std::string(11000, 'p') + ";");
    EXPECT_TRUE(logContains(L"ERROR: launcher property java.library.path cut at 11021 of 20020 bytes"));
    values.executablePath = std::string(7000, 'e');
    EXPECT_EQ(buildLauncherProperties(values)[0].size(), kTextCapacity - 1);
}

TEST(LauncherProperties, OutputRotationIsPassedOnlyWithAValidSize) {
    LauncherPropertyValues values;
    size_t withoutRotation = buildLauncherProperties(values).size();
    values.outputMaxSize = parseByteCount("10485760");
    values.outputKeep = 0;
    std::vector<std::string> properties = buildLauncherProperties(values);
    ASSERT_EQ(properties.size(), withoutRotation + 2);
    EXPECT_EQ(properties[withoutRotation], "-Dpellux.output.maxSize=10485760");
    EXPECT_EQ(properties[withoutRotation + 1], "-Dpellux.output.keep=0");
    EXPECT_EQ(parseByteCount(""), 0u);
    capturedLog().clear();
    EXPECT_EQ(parseByteCount("10 MB"), 0u);
    EXPECT_EQ(parseByteCount(std::string(30, '9')), 0u);
    EXPECT_TRUE(logContains(L"ERROR: output rotation size \"10 MB\" is no byte count; files are not rotated"));
    values.outputRefusesLinks = true;
    EXPECT_EQ(buildLauncherProperties(values).back(), "-Dpellux.output.noLinks=true") << "record 30404";
}

const StringList kFive = {L"false", L"app.Main", L"", L"", L"false"};

TEST(MainParameters, FirstArgumentIsAlwaysPassedAndAnEmptyListAddsNone) {
    StringList expected = kFive;
    expected.insert(expected.end(), {L"-Jfirst", L"c1", L"x"});
    EXPECT_EQ(buildMainParameters(kFive, {L"-Jfirst", L"-Jsecond", L"x"}, {L"c1"}, true), expected);
    expected = kFive;
    expected.push_back(L"c1");
    EXPECT_EQ(buildMainParameters(kFive, {}, {L"c1"}, true), expected);
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
    EXPECT_TRUE(logContains(L"vmoption count 2"));
    EXPECT_TRUE(logContains(L"vmoption 1: -Xss2m"));
}

}  // namespace
