// Which jvm.dll a launcher loads from the runtime it found, what PATH and the
// DLL search path look like afterwards, and what it says when none loads.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "common/records.h"
#include "tests/jvmstage/jvmstage_test_support.h"

namespace {

std::wstring lowered(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return towlower(c); });
    return text;
}

class LoadDll : public JvmStage {
protected:
    RuntimeHome homeWith(const std::wstring &name, const std::wstring &vmDirectory,
                         std::vector<std::wstring> extraVmDirectories = {}, const std::string &settings = "") {
        RuntimeHomeLayout layout;
        layout.vmDirectory = vmDirectory;
        layout.extraVmDirectories = extraVmDirectories;
        layout.jvmSettings = settings;
        return layOutHome(name, layout);
    }
    // A whole log line, compared without regard to case: the search hands on
    // java executables in lower case.
    static bool loggedIgnoringCase(const LauncherRun &run, const std::wstring &line) {
        return lowered(run.log).find(L"] " + lowered(line) + L"\r\n") != std::wstring::npos;
    }
    static std::wstring libraryPath(const StandinRecord &record) {
        return lowered(wideText(optionStartingWith(record, "-Djava.library.path=")));
    }
};

TEST_F(LoadDll, client_vm_is_preferred_to_server) {
    RuntimeHome home = homeWith(L"both", L"bin\\server", {L"bin\\client"});
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    LauncherRun run = this->run(L"/run", home.home);
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_TRUE(readStandinRecord(jvmRecordIn(home, L"bin\\client")).mainCalled);
    EXPECT_FALSE(readStandinRecord(home.jvmRecord).present);
    EXPECT_TRUE(loggedIgnoringCase(run, L"Trying " + home.home + L"\\bin\\client\\jvm.dll (exists 1)")) << run.log;
    EXPECT_FALSE(loggedIgnoringCase(run, L"Trying " + home.home + L"\\bin\\server\\jvm.dll (exists 1)"));
}

TEST_F(LoadDll, configured_vm_directory_is_tried_before_client) {
    RuntimeHome home = homeWith(L"custom", L"bin\\custom", {L"bin\\client"});
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kPreferredVmType, "custom"}}));
    LauncherRun run = this->run(L"/run", home.home);
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_TRUE(readStandinRecord(home.jvmRecord).mainCalled);
    EXPECT_FALSE(readStandinRecord(jvmRecordIn(home, L"bin\\client")).present);

    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    run = this->run(L"/run", home.home);
    EXPECT_TRUE(readStandinRecord(jvmRecordIn(home, L"bin\\client")).mainCalled);
    EXPECT_FALSE(loggedIgnoringCase(run, L"Trying " + home.home + L"\\bin\\custom\\jvm.dll (exists 1)"));
}

TEST_F(LoadDll, development_kit_with_its_vm_in_the_nested_runtime) {
    RuntimeHome home = homeWith(L"jdk", L"jre\\bin\\server");
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    LauncherRun run = this->run(L"/run", home.home);
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
    std::wstring nested = home.home + L"\\bin\\..\\jre\\bin";
    EXPECT_TRUE(loggedIgnoringCase(run, L"Trying " + nested + L"\\server\\jvm.dll (exists 1)")) << run.log;
    // The failed bin directory left PATH as it was before the nested one went in front.
    EXPECT_TRUE(run.logged(L"Setting PATH " + std::wstring(kStartPath))) << run.log;
    EXPECT_EQ(libraryPath(readStandinRecord(home.jvmRecord)),
              lowered(L"-Djava.library.path=" + nested + L";" + kStartPath));
}

TEST_F(LoadDll, windowed_launcher_loads_the_vm_beside_javaw) {
    RuntimeHome home = homeWith(L"jre", L"bin\\server");
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kLauncherType, "1"}}));
    LauncherRun run = this->run(L"/run", home.home);
    EXPECT_EQ(run.result.exitCode, 0u);
    EXPECT_TRUE(loggedIgnoringCase(run, L"Trying to load JVM-DLL from " + home.javawExe)) << run.log;
    EXPECT_TRUE(loggedIgnoringCase(run, L"Trying " + home.home + L"\\bin\\server\\jvm.dll (exists 1)"));
    StandinRecord record = readStandinRecord(home.jvmRecord);
    ASSERT_FALSE(record.mainArguments.empty());
    EXPECT_EQ(record.mainArguments[0], "true");
}

TEST_F(LoadDll, failed_candidate_restores_path_and_dll_directories) {
    RuntimeHome broken = homeWith(L"broken", L"bin\\server", {}, "failLoad=1\n");
    RuntimeHome good = homeWith(L"good", L"bin\\server");
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kSearchSequence, "B" + narrowText(broken.home)}, {record::kAddDllDirectories, "1"}, {record::kNativeLibraryDirectories, "lib"}}));
    LauncherRun run = this->run(L"/run", good.home);
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_TRUE(readStandinRecord(broken.jvmRecord).refusedToLoad);
    EXPECT_TRUE(loggedIgnoringCase(run, L"Adding DLL directory " + broken.home + L"\\bin")) << run.log;
    EXPECT_TRUE(run.logged(L"Removing DLL directory"));
    EXPECT_TRUE(loggedIgnoringCase(run, L"Adding DLL directory " + good.home + L"\\bin"));
    EXPECT_TRUE(run.logged(L"Adding DLL directory " + appDirectory() + L"\\lib"));
    EXPECT_TRUE(run.logged(L"Setting PATH " + appDirectory() + L"\\lib;" + kStartPath));
    EXPECT_EQ(libraryPath(readStandinRecord(good.jvmRecord)),
              lowered(L"-Djava.library.path=" + good.home + L"\\bin;" + appDirectory() + L"\\lib;" + kStartPath));
}

TEST_F(LoadDll, native_library_directories_go_in_front_without_touching_dll_directories) {
    RuntimeHome home = homeWith(L"jre", L"bin\\server");
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kNativeLibraryDirectories, "lib;;bin;"}}));
    LauncherRun run = this->run(L"/run", home.home);
    EXPECT_TRUE(run.logged(L"native lib dir is lib;;bin;")) << run.log;
    EXPECT_EQ(run.log.find(L"Adding DLL directory"), std::wstring::npos);
    std::wstring path = appDirectory() + L"\\lib;" + appDirectory() + L"\\bin;" + kStartPath;
    EXPECT_TRUE(run.logged(L"Setting PATH (native libs) " + path));
    EXPECT_EQ(libraryPath(readStandinRecord(home.jvmRecord)),
              lowered(L"-Djava.library.path=" + home.home + L"\\bin;" + path));
}

// Wine reports the version an application default in its registry asks for.
class WineVersionFor {
public:
    WineVersionFor(const std::wstring &executable, const wchar_t *version)
        : key_(L"Software\\Wine\\AppDefaults\\" + executable) {
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS) {
            RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE *>(version),
                           static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
            RegCloseKey(key);
        }
    }
    ~WineVersionFor() { RegDeleteKeyW(HKEY_CURRENT_USER, key_.c_str()); }

private:
    std::wstring key_;
};

TEST_F(LoadDll, ucrtbase_is_preloaded_only_on_systems_before_6_4) {
    RuntimeHome home = homeWith(L"jre", L"bin\\server");
    ASSERT_TRUE(CopyFileW(home.jliDll.c_str(), (home.home + L"\\bin\\ucrtbase.dll").c_str(), FALSE));
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    {
        WineVersionFor windows7(L"App.exe", L"win7");
        LauncherRun run = this->run(L"/run", home.home);
        EXPECT_EQ(run.result.exitCode, 0u);
        EXPECT_TRUE(run.logged(L"Preloading ucrtbase.dll 4")) << run.log;
    }
    WineVersionFor windows10(L"App.exe", L"win10");
    LauncherRun run = this->run(L"/run", home.home);
    EXPECT_EQ(run.result.exitCode, 0u);
    EXPECT_EQ(run.log.find(L"Preloading ucrtbase.dll"), std::wstring::npos);
}

// The launcher under test has this program's word size, and names it.
const std::string kWordSize = sizeof(void *) == 8 ? "64-bit" : "32-bit";
const std::string kWordSizeHint = "installed " + kWordSize + " JDK or JRE";

// What a launcher of type 0 writes to standard error when no jvm.dll loads.
class LoadFailure : public LoadDll {
protected:
    LauncherRun runExpectingFailure(const std::wstring &javaHome, const EnvironmentChanges &extra = {}) {
        LauncherRun run = this->run(L"/run", javaHome, extra);
        EXPECT_EQ(run.result.exitCode, 1u);
        EXPECT_FALSE(run.logged(L"launching program"));
        return run;
    }
};

TEST_F(LoadFailure, no_runtime_names_the_launchers_word_size) {
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    LauncherRun run = runExpectingFailure(L"");
    EXPECT_TRUE(run.logged(L"ERROR: No JVM found")) << run.log;
    EXPECT_NE(run.result.err.find("No JVM could be found on your system."), std::string::npos) << run.result.err;
    EXPECT_NE(run.result.err.find(kWordSizeHint), std::string::npos) << run.result.err;
}

TEST_F(LoadFailure, runtime_from_a_variable_names_the_variable) {
    RuntimeHome home = homeWith(L"broken", L"bin\\server", {}, "failLoad=1\n");
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    LauncherRun run = runExpectingFailure(home.home);
    EXPECT_TRUE(run.logged(L"ERROR: Could not get DLL-Handle.")) << run.log;
    EXPECT_TRUE(run.logged(L"ERROR: Could not load functions"));
    EXPECT_NE(run.result.err.find("The PELLUX_JAVA_HOME environment variable does not"), std::string::npos)
        << run.result.err;
    // Each build shows the variant of the message for its own word size.
    EXPECT_NE(run.result.err.find("point to a working " + kWordSize + " JDK or JRE."), std::string::npos);
}

TEST_F(LoadFailure, runtime_from_a_directory_names_the_directory) {
    RuntimeHome home = homeWith(L"broken", L"bin\\server", {}, "failLoad=1\n");
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kSearchSequence, "B" + narrowText(home.home)}}));
    LauncherRun run = runExpectingFailure(L"");
    EXPECT_NE(run.result.err.find("The JVM found at " + narrowText(home.home) + " is damaged."), std::string::npos)
        << run.result.err;
    EXPECT_NE(run.result.err.find("to point to an " + kWordSizeHint + "."), std::string::npos);
}

TEST_F(LoadFailure, runtime_from_the_search_path_names_the_word_size) {
    RuntimeHome home = homeWith(L"broken", L"bin\\server", {}, "failLoad=1\n");
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}, {record::kSearchSequence, "S"}}));
    LauncherRun run = runExpectingFailure(L"", {{L"PATH", home.home + L"\\bin;" + kStartPath}});
    EXPECT_TRUE(run.logged(L"ERROR: Could not get DLL-Handle.")) << run.log;
    EXPECT_NE(run.result.err.find(kWordSizeHint), std::string::npos) << run.result.err;
}

TEST_F(LoadFailure, vm_library_without_its_entry_point) {
    RuntimeHomeLayout layout;
    layout.jvmWithoutEntryPoint = true;
    RuntimeHome home = layOutHome(L"hollow", layout);
    makeLauncher(blockWith({{record::kMainClass, "app.Main"}}));
    LauncherRun run = runExpectingFailure(home.home);
    EXPECT_FALSE(run.logged(L"ERROR: Could not get DLL-Handle.")) << run.log;
    EXPECT_TRUE(run.logged(L"ERROR: Could not load functions"));
    EXPECT_NE(run.result.err.find("The PELLUX_JAVA_HOME environment variable does not"), std::string::npos);
}

}  // namespace
