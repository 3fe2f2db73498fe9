// What the launcher prepares on the Java side before main: the splash text
// settings, the helper library with its natives, the module name property.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/records.h"
#include "tests/jvmstage/jvmstage_test_support.h"

namespace {

const char kCommonClass[] = "com/zanthor/runtime/installer/platform/win32/Common";

class JavaSide : public JvmStage {
protected:
    void SetUp() override { home_ = layOutHome(L"jre"); }

    StandinRecord vm() const { return readStandinRecord(home_.jvmRecord); }
    void actOut(const std::string &settings) { ASSERT_TRUE(writeJvmSettings(home_, settings)); }
    LauncherRun runApp() {
        LauncherRun run = this->run(L"/run", home_.home);
        EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
        return run;
    }
    // A zanthor launcher whose .zanthor\znoinst.dll is a copy of library.
    void makeZanthorLauncherWithHelper(const std::wstring &library) {
        std::wstring directory = appDirectory() + L"\\.zanthor";
        CreateDirectoryW(directory.c_str(), nullptr);
        if (!library.empty()) {
            ASSERT_TRUE(CopyFileW(library.c_str(), (directory + L"\\znoinst.dll").c_str(), FALSE));
        }
        makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kLauncherFlavour, "i"}}));
    }
    static std::wstring helperLibrary() { return windowsPathOf(PELLUX_HELPER_LIBRARY); }

    RuntimeHome home_;
};

TEST_F(JavaSide, module_name_property_carries_the_executables_long_path) {
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    LauncherRun run = runApp();
    StandinRecord record = vm();
    ASSERT_EQ(record.properties.size(), 1u);
    EXPECT_EQ(record.properties[0].first, "pellux.moduleName");
    EXPECT_EQ(record.properties[0].second, narrowText(launcherPath()));
    EXPECT_TRUE(run.logged(L"setting pellux.moduleName to " + launcherPath())) << run.log;
}

TEST_F(JavaSide, splash_texts_are_passed_only_when_configured) {
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    runApp();
    EXPECT_TRUE(vm().splashArguments.empty());

    makeLauncher(blockWith({{record::kMainClass, "app.Main"},  {record::kSplashTexts, "1"},     {record::kSplashFlag, "1"},     {record::kSplashStatusText, "status"}, {record::kSplashStatusX, "10"},
                            {record::kSplashStatusY, "20"},      {record::kSplashStatusColour, "red"}, {record::kSplashStatusFontSize, "12"},  {record::kSplashStatusFontWeight, "700"},    {record::kSplashVersionText, "v1.0"},
                            {record::kSplashVersionX, "30"},      {record::kSplashVersionY, "40"},  {record::kSplashVersionColour, "blue"}, {record::kSplashVersionFontSize, "9"},     {record::kSplashVersionFontWeight, "400"}}));
    runApp();
    EXPECT_EQ(vm().splashArguments,
              (std::vector<std::string>{"true", "true", "status", "10", "20", "red", "12", "700", "v1.0", "30", "40",
                                        "blue", "9", "400"}));
}

TEST_F(JavaSide, missing_splash_method_is_only_logged) {
    actOut("missingMethods=initAwtSplashConfig\n");
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kSplashTexts, "1"}, {record::kLauncherFlavour, "i"}}));
    LauncherRun run = runApp();
    EXPECT_TRUE(run.logged(L"ERROR: could not find method for splash properties")) << run.log;
    EXPECT_TRUE(vm().mainReturned);
}

TEST_F(JavaSide, helper_library_registers_a_native_that_writes_into_the_launchers_log) {
    actOut("callNative=1\nnativeArgument=hello from java\n");
    makeZanthorLauncherWithHelper(helperLibrary());
    LauncherRun run = runApp();
    StandinRecord record = vm();
    EXPECT_EQ(record.initFromLauncherArguments, (std::vector<bool>{true}));
    EXPECT_EQ(record.nativesClass, kCommonClass);
    ASSERT_EQ(record.natives.size(), 1u);
    EXPECT_EQ(record.nativeResults, (std::vector<std::string>{"1"}));
    EXPECT_TRUE(run.logged(L"load helper dll")) << run.log;
    EXPECT_TRUE(run.logged(L"ERROR: java: hello from java")) << run.log;
    EXPECT_FALSE(run.logged(L"ERROR: registering helper dll failed"));
}

// Without the export, or when registering fails, the Java side learns that
// the natives are not there.
TEST_F(JavaSide, helper_library_that_cannot_register_is_taken_back) {
    makeZanthorLauncherWithHelper(home_.jliDll);
    LauncherRun run = runApp();
    EXPECT_TRUE(run.logged(L"ERROR: did not find register natives in helper dll")) << run.log;
    EXPECT_TRUE(run.logged(L"ERROR: registering helper dll failed"));
    EXPECT_EQ(vm().initFromLauncherArguments, (std::vector<bool>{true, false}));
    EXPECT_TRUE(vm().mainReturned);

    actOut("registerNativesResult=-1\n");
    makeZanthorLauncherWithHelper(helperLibrary());
    run = runApp();
    EXPECT_FALSE(run.logged(L"ERROR: did not find register natives in helper dll")) << run.log;
    EXPECT_TRUE(run.logged(L"ERROR: registering helper dll failed"));
    EXPECT_EQ(vm().initFromLauncherArguments, (std::vector<bool>{true, false}));
}

TEST_F(JavaSide, missing_common_class_skips_the_registration) {
    actOut(std::string("missingClasses=") + kCommonClass + "\n");
    makeZanthorLauncherWithHelper(helperLibrary());
    LauncherRun run = runApp();
    EXPECT_TRUE(run.logged(L"ERROR: did not find com/zanthor/runtime/installer/platform/win32/Common")) << run.log;
    StandinRecord record = vm();
    EXPECT_TRUE(record.natives.empty());
    EXPECT_TRUE(record.mainReturned);
    EXPECT_TRUE(record.traps.empty());
}

TEST_F(JavaSide, missing_helper_library_ends_the_step_quietly) {
    makeZanthorLauncherWithHelper(L"");
    LauncherRun run = runApp();
    std::wstring expected = appDirectory() + L"\\.zanthor\\znoinst.dll";
    EXPECT_NE(run.log.find(L" " + expected + L"\r\n"), std::wstring::npos) << run.log;
    EXPECT_TRUE(vm().initFromLauncherArguments.empty());

    // The other flavour has no helper library, even when one lies there.
    ASSERT_TRUE(CopyFileW(helperLibrary().c_str(), expected.c_str(), FALSE));
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    run = runApp();
    EXPECT_FALSE(run.logged(L"load helper dll"));
    EXPECT_TRUE(vm().initFromLauncherArguments.empty());
}

}  // namespace
