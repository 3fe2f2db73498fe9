#include <gtest/gtest.h>

#include <set>

#include "common/private_security.h"
#include "common/records.h"
#include "common/text.h"
#include "paths/path_rules.h"
#include "paths/path_utils.h"
#include "paths/temp_dirs.h"
#include "tests/logpaths/wine_roles.h"

namespace {

std::string inCodePage(const std::wstring &text) {
    char buffer[6000];
    int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer, 6000, nullptr, nullptr);
    return length > 0 ? std::string(buffer) : std::string();
}

std::wstring makeDirectory(const std::wstring &path) {
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
}

bool anyEntryStartingWith(const std::wstring &directory, const std::wstring &prefix) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((directory + L"\\" + prefix + L"*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

EnvironmentChanges quietWithTemp(const std::wstring &root) {
    return {{L"PELLUX_LOG", std::nullopt}, {L"ZANTHOR_LOG", std::nullopt}, {L"TEMP", root}, {L"TMP", root}};
}

class TemporaryRoot : public ::testing::Test {
protected:
    ScratchDirectory root_;
};

TEST_F(TemporaryRoot, system_temp_path_is_taken_as_the_system_gives_it) {
    RunResult result = runRole("temp-roots", quietWithTemp(root_.path()));
    EXPECT_EQ(childValue(result.out, "wide"), root_.path() + L"\\");
    EXPECT_EQ(childValue(result.out, "narrow"), root_.path() + L"\\");
    EXPECT_FALSE(anyEntryStartingWith(root_.path(), L"plxtw")) << "test directories are removed";
}

TEST_F(TemporaryRoot, a_missing_system_temp_directory_is_created) {
    std::wstring missing = root_.file(L"made");
    RunResult result = runRole("temp-roots", quietWithTemp(missing));
    EXPECT_EQ(childValue(result.out, "wide"), missing + L"\\");
    EXPECT_TRUE(fileExists(missing));
}

TEST_F(TemporaryRoot, bang_in_the_temp_path_moves_on_to_the_profile) {
    std::wstring profile = makeDirectory(root_.file(L"profile"));
    makeDirectory(profile + L"\\AppData");
    makeDirectory(profile + L"\\AppData\\Local");
    makeDirectory(profile + L"\\AppData\\Local\\Temp");
    std::wstring banged = makeDirectory(root_.file(L"odd!"));
    EnvironmentChanges environment = loggingInto(banged);
    environment.push_back({L"USERPROFILE", profile});
    RunResult result = runRole("temp-roots", environment);
    EXPECT_EQ(childValue(result.out, "wide"), profile + L"\\AppData\\Local\\Temp");
    EXPECT_TRUE(fileExists(profile + L"\\AppData\\Local\\Temp\\zno_nlog_1.log")) << "one backslash before the name";
    EXPECT_FALSE(fileExists(banged + L"\\zno_nlog_1.log"));
}

TEST_F(TemporaryRoot, long_paths_record_gives_the_narrow_root_its_long_form) {
    std::wstring longRoot = makeDirectory(root_.file(L"Long Temporary Root"));
    std::wstring shortRoot = shortPathOf(longRoot);
    ASSERT_NE(shortRoot, longRoot);
    EnvironmentChanges environment = loggingInto(shortRoot);
    RunResult plain = runRole("temp-roots", environment);
    EXPECT_EQ(childValue(plain.out, "narrow"), shortRoot + L"\\");
    environment.push_back({kLongPathsVariable, L"1"});
    RunResult withRecord = runRole("temp-roots", environment);
    EXPECT_EQ(childValue(withRecord.out, "narrow"), longRoot + L"\\");
    EXPECT_EQ(childValue(withRecord.out, "wide"), shortRoot + L"\\");
    // The log decided on a root before the record was read; asked again, the
    // root is searched once more with the record in force.
    std::wstring log = readUtf8File(longRoot + L"\\zno_nlog_2.log");
    EXPECT_TRUE(contains(log, L"] using long path " + longRoot + L"\\\r\n")) << log;
}

TEST_F(TemporaryRoot, narrow_test_rejects_unrepresentable_long_forms_only_when_strict) {
    std::wstring beetle = makeDirectory(root_.file(L"\u0416\u0443\u043a"));
    std::string shortForm = inCodePage(shortPathOf(beetle));
    ASSERT_EQ(shortForm.find('?'), std::string::npos) << shortForm;
    char path[kPathCapacity];
    copyText(path, kPathCapacity, shortForm.c_str());
    bool hasBang = true;
    EXPECT_FALSE(testTempCandidateA(path, false, true, true, &hasBang, windowsTempSystem()));
    EXPECT_FALSE(hasBang);
    EXPECT_TRUE(testTempCandidateA(path, false, false, true, &hasBang, windowsTempSystem()));
    EXPECT_EQ(std::string(path), shortForm) << "relaxed, the short form stays";
}

TEST_F(TemporaryRoot, wide_test_rejects_decomposed_characters) {
    std::wstring decomposed = root_.file(L"Cafe\u0301");
    std::wstring composed = root_.file(L"Caf\u00e9");
    bool hasBang = true;
    EXPECT_FALSE(testTempCandidate(decomposed.c_str(), true, false, &hasBang, windowsTempSystem()));
    EXPECT_FALSE(hasBang);
    EXPECT_TRUE(testTempCandidate(composed.c_str(), true, true, &hasBang, windowsTempSystem()));
    EXPECT_FALSE(anyEntryStartingWith(composed, L"plxtw"));
}

class VariableExpansionRun : public ::testing::Test {
protected:
    ScratchDirectory root_;
};

TEST_F(VariableExpansionRun, modes_and_variants_take_their_own_forms) {
    std::wstring home = makeDirectory(root_.file(L"\u0416\u0443\u043a dir"));
    std::wstring program = home + L"\\logpaths_copy.exe";
    ASSERT_TRUE(CopyFileW(thisProgram().c_str(), program.c_str(), FALSE));
    std::wstring temp = makeDirectory(root_.file(L"temp"));
    EnvironmentChanges environment = quietWithTemp(temp);
    environment.push_back({L"Pellux_Test_Value", L"v"});
    RunResult result = runRoleFrom(program, "expand", environment);
    ASSERT_EQ(result.exitCode, 0u) << result.err;

    std::wstring shortHome = shortPathOf(home) + L"\\";
    EXPECT_EQ(childValue(result.out, "exedir.argument"), home + L"\\") << "long names kept";
    EXPECT_EQ(childValue(result.out, "exedir.option"), shortHome) << "the narrow form, here 8.3";
    EXPECT_EQ(childValue(result.out, "exedir.narrow"), shortHome);
    EXPECT_EQ(childValue(result.out, "exedir.growable"), shortHome);
    for (const char *variant : {"root.argument", "root.option", "root.narrow", "root.growable"})
        EXPECT_EQ(childValue(result.out, variant), temp + L"\\") << variant;
    EXPECT_EQ(childValue(result.out, "home.option"), L"C:\\jre\\bin\\..|[]");
    EXPECT_EQ(childValue(result.out, "home.narrow"), L"C:\\jre\\bin\\..|[]");
    for (const char *variant : {"environment.argument", "environment.option", "environment.narrow", "environment.growable"})
        EXPECT_EQ(childValue(result.out, variant), L"v|v|${pellux_test_value}|${UNDEFINED_HERE}") << variant;
    EXPECT_EQ(childValue(result.out, "late.growable"), L"late") << "the environment as it is at the call";
    EXPECT_EQ(childValue(result.out, "cut"), (home + L"\\").substr(0, 15) + L"|intact");
}

TEST(CommandShell, prints_the_short_form_of_a_path) {
    ScratchDirectory root;
    std::wstring file = makeDirectory(root.file(L"Long Directory Name")) + L"\\App.exe";
    writeFileBytes(file, "MZ");
    std::string expected = inCodePage(shortPathOf(file));
    ASSERT_NE(expected, inCodePage(file));
    EXPECT_EQ(shortPathViaCommandShell(file.c_str()), expected);
}

// "%" would let cmd.exe expand a variable inside the quoted path.
TEST(CommandShell, a_command_that_cannot_start_or_a_path_with_percent_gives_nothing) {
    EXPECT_EQ(runShortPathCommand(L"Z:\\no\\such\\program.exe"), "");
    ScratchDirectory root;
    std::wstring file = makeDirectory(root.file(L"Long %WINDIR% Name")) + L"\\App.exe";
    writeFileBytes(file, "MZ");
    EXPECT_EQ(shortPathViaCommandShell(file.c_str()), "");
}

class ConfiguredLauncher : public ::testing::Test {
protected:
    ScratchDirectory directory_;
    ScratchDirectory root_;
};

TEST_F(ConfiguredLauncher, working_directory_record_is_expanded_and_the_failure_names_the_log) {
    makeDirectory(directory_.file(L"work"));
    std::wstring launcher =
        makeConfiguredLauncher(directory_.path(), L"App.exe", blockWith({{record::kServiceName, "LogPaths"}, {record::kWorkingDirectory, "%PELLUX_EXEDIR%work"}}));
    ASSERT_FALSE(launcher.empty());
    RunResult result = runProgram(launcher, L"/run", loggingInto(root_.path()), 60000);
    std::wstring logPath = root_.file(L"zno_nlog_1.log");
    std::wstring log = readUtf8File(logPath);
    std::wstring exeDirectory = directory_.path() + L"\\";
    EXPECT_TRUE(contains(log, L"] expanding2 %PELLUX_EXEDIR% to " + exeDirectory + L" in " + exeDirectory + L"work.\r\n"))
        << log;
    EXPECT_TRUE(contains(log, L"] change working directory to " + exeDirectory + L"work\r\n"));
    EXPECT_EQ(result.exitCode, 1u);
    std::wstring shown = fromUtf8(withoutCarriageReturns(result.err));
    std::wstring logLine = L"\n\nLog: " + logPath + L"\n";
    ASSERT_GT(shown.size(), logLine.size()) << result.err;
    EXPECT_EQ(shown.substr(shown.size() - logLine.size()), logLine);
}

}  // namespace

namespace {

// The descriptor the directory is created with: protected, the user and the
// administrators only. (Wine keeps no file permissions here, so they are
// read from the descriptor rather than from the directory.)
bool isPrivateDescriptor(SECURITY_ATTRIBUTES *attributes) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    unsigned char administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    ACCESS_ALLOWED_ACE *user = nullptr, *admins = nullptr;
    return attributes && GetSecurityDescriptorControl(attributes->lpSecurityDescriptor, &control, &revision) &&
           (control & SE_DACL_PROTECTED) &&
           GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &dacl, &defaulted) && dacl &&
           dacl->AceCount == 2 && GetAce(dacl, 0, reinterpret_cast<void **>(&user)) &&
           GetAce(dacl, 1, reinterpret_cast<void **>(&admins)) &&
           CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) &&
           EqualSid(&admins->SidStart, administrators) && user->Mask == FILE_ALL_ACCESS;
}

}  // namespace

// A user who may write to the temporary root must not reach into the
// launcher's directory, and a link planted there must not lead the removal
// out of it.
TEST(LauncherTempDir, is_private_and_its_removal_stays_out_of_links) {
    ScratchDirectory outside;
    std::wstring kept = outside.file(L"kept.jar");
    ASSERT_TRUE(writeFileBytes(kept, "jar"));
    LauncherTempDir dir;
    ASSERT_EQ(createLauncherTempDir(dir), TempDirResult::Created);
    std::wstring directory = widenBytes(dir.path);
    PrivateSecurity security(FILE_ALL_ACCESS, 0);
    EXPECT_TRUE(isPrivateDescriptor(security.attributes()));
    ASSERT_TRUE(CreateDirectoryW((directory + L"\\lib").c_str(), nullptr));
    EXPECT_EQ(CreateDirectoryA(dir.path.c_str(), nullptr), FALSE) << "an existing name is never taken over";

    bool linked = CreateSymbolicLinkW((directory + L"\\lib\\link").c_str(), outside.path().c_str(),
                                      SYMBOLIC_LINK_FLAG_DIRECTORY) != FALSE;
    linked = CreateSymbolicLinkW((directory + L"\\link").c_str(), outside.path().c_str(),
                                 SYMBOLIC_LINK_FLAG_DIRECTORY) != FALSE && linked;
    removeLauncherTempDir(dir);
    EXPECT_FALSE(fileExists(directory));
    EXPECT_TRUE(fileExists(kept)) << "a link is removed, not what it points at";
    if (!linked)
        GTEST_SKIP() << "this Wine makes no directory links";
}

// Numbers re-seeded from the time and the process id repeat within a second:
// ten attempts would all use one name, which a user could take first.
TEST(LauncherTempDir, fallback_names_differ_within_one_second) {
    std::set<int> numbers;
    for (int i = 0; i < 10; i++)
        numbers.insert(windowsTempSystem().pseudoRandomNumber());
    EXPECT_GE(numbers.size(), 9u);
}

// The worker takes the directory the host names only when it is what the
// host makes: private, owned by this account. Anyone may set the variable
// where the host's environment comes from, or make a directory of that name.
TEST(LauncherTempDir, worker_adopts_only_a_private_directory_from_the_host) {
    LauncherTempDir made;
    ASSERT_EQ(createLauncherTempDir(made), TempDirResult::Created);
    char root[kPathCapacity];
    ASSERT_TRUE(getTempRootA(root, kPathCapacity));
    std::string planted = withTrailingSeparator(std::string(root)) + "plxplanted" + std::to_string(GetTickCount());
    ASSERT_TRUE(CreateDirectoryA(planted.c_str(), nullptr));

    LauncherTempDir adopted;
    SetEnvironmentVariableA(kWorkerTempDirVariable, planted.c_str());
    EXPECT_FALSE(adoptWorkerTempDir(adopted)) << "an inherited DACL";
    SetEnvironmentVariableA(kWorkerTempDirVariable, made.path.c_str());
    EXPECT_TRUE(adoptWorkerTempDir(adopted));
    EXPECT_EQ(adopted.path, made.path);
    RemoveDirectoryA(planted.c_str());
    removeLauncherTempDir(made);
}
