#include <gtest/gtest.h>

#include "paths/temp_root_rules.h"
#include "tests/host/log_capture.h"
#include "tests/logpaths/fake_temp_system.h"

namespace {

// A machine on which only what a test adds exists; the Windows directory and
// the root of C: exist but take no new directories, so the fixed candidates
// fail unless a test lets them pass.
class TempRootSearch : public ::testing::Test {
protected:
    void SetUp() override {
        capturedLog().clear();
        machine.windows = L"C:\\Windows";
        machine.addDirectory(L"C:\\Windows");
        machine.lockedDirectories = {L"c:", L"c:\\windows"};
    }
    TempRoots search(bool useLong = false) { return searchTempRoot(machine, useLong); }

    FakeTempSystem machine;
};

TEST_F(TempRootSearch, system_temp_path_comes_first_and_keeps_no_test_directory) {
    machine.tempPath = L"C:\\Users\\me\\Temp\\";
    machine.addDirectory(machine.tempPath);
    machine.environment[L"USERPROFILE"] = L"C:\\Users\\me";
    machine.addDirectory(L"C:\\Users\\me\\AppData\\Local\\Temp");
    TempRoots roots = search();
    ASSERT_TRUE(roots.found);
    EXPECT_EQ(roots.narrow, "C:\\Users\\me\\Temp\\");
    EXPECT_EQ(roots.wide, L"C:\\Users\\me\\Temp\\");
    EXPECT_TRUE(machine.directoriesContaining(L"plxtw").empty());
    EXPECT_EQ(machine.createAttemptsOf(L"C:\\Users\\me\\Temp\\plxtw427"), 1) << "narrow test: process id, then number";
    EXPECT_EQ(machine.createAttemptsOf(L"C:\\Users\\me\\Temp\\plxtw428"), 0)
        << "the wide path names the directory the narrow test probed";
    EXPECT_EQ(machine.wideLongPathQueries, 0) << "an ASCII root that is its own long form leaves the wide test nothing to ask";
}

TEST_F(TempRootSearch, a_path_beyond_ascii_is_probed_in_both_forms) {
    machine.tempPath = L"C:\\Users\\Jos\u00e9\\Temp\\";
    machine.addDirectory(machine.tempPath);
    ASSERT_TRUE(search().found);
    EXPECT_EQ(machine.createAttemptsOf(machine.tempPath + L"plxtw428"), 1) << "the code page decides what the narrow form names";
    EXPECT_EQ(machine.wideLongPathQueries, 1);
}

TEST_F(TempRootSearch, missing_system_temp_directory_is_created_when_its_parent_exists) {
    machine.tempPath = L"C:\\Users\\me\\Temp";
    machine.addDirectory(L"C:\\Users\\me");
    TempRoots roots = search();
    ASSERT_TRUE(roots.found);
    EXPECT_EQ(roots.wide, L"C:\\Users\\me\\Temp");
}

TEST_F(TempRootSearch, bang_in_system_temp_path_skips_it_in_both_passes) {
    machine.tempPath = L"C:\\odd!\\Temp";
    machine.addDirectory(machine.tempPath);
    machine.environment[L"USERPROFILE"] = L"C:\\Users\\me";
    machine.addDirectory(L"C:\\Users\\me\\AppData\\Local\\Temp");
    TempRoots roots = search();
    ASSERT_TRUE(roots.found);
    EXPECT_EQ(roots.narrow, "C:\\Users\\me\\AppData\\Local\\Temp");
    EXPECT_EQ(machine.createAttemptsOf(machine.tempPath), 1) << "tried in the strict pass only";
}

TEST_F(TempRootSearch, bang_at_the_end_or_in_the_long_form_also_rejects) {
    machine.tempPath = L"C:\\PROGRA~1\\Temp";
    machine.longNames[L"C:\\PROGRA~1"] = L"C:\\Programs!";
    machine.addDirectory(L"C:\\Programs!\\Temp");
    machine.addDirectory(L"C:\\Windows\\temp");
    bool hasBang = false;
    char path[kPathCapacity] = "C:\\PROGRA~1\\Temp";
    EXPECT_FALSE(testTempCandidateA(path, false, true, false, &hasBang, machine));
    EXPECT_TRUE(hasBang);
    EXPECT_FALSE(testTempCandidate(L"C:\\PROGRA~1\\Temp", false, true, &hasBang, machine));
    EXPECT_TRUE(hasBang);
    EXPECT_FALSE(testTempCandidate(L"C:\\Temp!", false, false, &hasBang, machine));
    EXPECT_TRUE(hasBang);
    EXPECT_EQ(search().wide, L"C:\\Windows\\temp");
    EXPECT_EQ(machine.createAttemptsOf(machine.tempPath), 1) << "not tried again in the relaxed pass";
}

TEST_F(TempRootSearch, profile_beyond_the_code_page_is_taken_in_short_form_by_the_relaxed_pass) {
    machine.tempPath = L"C:\\odd!";
    machine.environment[L"USERPROFILE"] = L"C:\\Users\\OMEGA~1";
    machine.longNames[L"C:\\Users\\OMEGA~1"] = L"C:\\Users\\\u03a9mega";
    machine.addDirectory(L"C:\\Users\\\u03a9mega\\AppData\\Local\\Temp");
    TempRoots roots = search();
    ASSERT_TRUE(roots.found);
    EXPECT_EQ(roots.narrow, "C:\\Users\\OMEGA~1\\AppData\\Local\\Temp");
    EXPECT_EQ(roots.wide, L"C:\\Users\\OMEGA~1\\AppData\\Local\\Temp");

    char path[kPathCapacity] = "C:\\Users\\OMEGA~1\\AppData\\Local\\Temp";
    bool hasBang = true;
    EXPECT_FALSE(testTempCandidateA(path, false, true, false, &hasBang, machine)) << "strict: the long form has \"?\"";
    EXPECT_FALSE(hasBang);
}

TEST_F(TempRootSearch, long_paths_record_replaces_a_short_narrow_root_and_logs_it) {
    machine.tempPath = L"C:\\DOCUME~1\\me\\Temp";
    machine.longNames[L"C:\\DOCUME~1"] = L"C:\\Documents and Settings";
    machine.addDirectory(L"C:\\Documents and Settings\\me\\Temp");
    EXPECT_EQ(search(false).narrow, "C:\\DOCUME~1\\me\\Temp");
    EXPECT_EQ(machine.wideLongPathQueries, 1) << "a short form is no long form: the wide test asks for its own";
    EXPECT_TRUE(capturedLog().empty());
    TempRoots roots = search(true);
    EXPECT_EQ(roots.narrow, "C:\\Documents and Settings\\me\\Temp");
    EXPECT_EQ(roots.wide, L"C:\\DOCUME~1\\me\\Temp") << "the wide root stays as given";
    EXPECT_TRUE(logContains(L"using long path C:\\Documents and Settings\\me\\Temp"));
}

TEST_F(TempRootSearch, decomposed_characters_fail_the_wide_test_with_a_folding_error) {
    machine.addDirectory(L"C:\\Cafe\u0301");
    bool hasBang = true;
    EXPECT_FALSE(testTempCandidate(L"C:\\Cafe\u0301", false, false, &hasBang, machine));
    EXPECT_FALSE(hasBang);
    EXPECT_TRUE(logContains(L"folding error C:\\Cafe 7 C:\\Cafe\u0301 8"));

    machine.longNames[L"C:\\CAFE~1"] = L"C:\\Cafe\u0301";
    EXPECT_FALSE(testTempCandidate(L"C:\\CAFE~1", false, true, &hasBang, machine));
    EXPECT_TRUE(logContains(L"folding error2 C:\\Cafe 7 C:\\Cafe\u0301 8"));
    EXPECT_TRUE(testTempCandidate(L"C:\\CAFE~1", false, false, &hasBang, machine)) << "the long form is not asked for";
}

TEST_F(TempRootSearch, home_drive_and_path_are_joined_directly) {
    machine.environment[L"HOMEDRIVE"] = L"D:";
    machine.environment[L"HOMEPATH"] = L"\\home";
    machine.addDirectory(L"D:\\home");
    EXPECT_EQ(search().wide, L"D:\\home");
    machine.environment.erase(L"HOMEPATH");
    EXPECT_FALSE(search().found) << "one half alone is no candidate";
}

TEST_F(TempRootSearch, common_application_data_gets_its_own_folders) {
    machine.commonAppData = L"C:\\ProgramData";
    machine.addDirectory(machine.commonAppData);
    TempRoots roots = search();
    EXPECT_EQ(roots.narrow, "C:\\ProgramData\\zanthor\\temp");
    EXPECT_TRUE(machine.pathExists(L"C:\\ProgramData\\zanthor\\temp"));
}

TEST_F(TempRootSearch, fixed_candidates_follow_in_their_order) {
    machine.addDirectory(L"c:\\tmp");
    machine.addDirectory(L"c:\\temp");
    EXPECT_EQ(search().wide, L"c:\\temp");
    machine.addDirectory(L"C:\\Windows\\temp");
    EXPECT_EQ(search().wide, L"C:\\Windows\\temp");
}

TEST_F(TempRootSearch, windows_directory_comes_before_a_created_c_tmp) {
    machine.lockedDirectories = {};
    EXPECT_EQ(search().wide, L"C:\\Windows");
    EXPECT_EQ(machine.createAttemptsOf(L"c:\\tmp"), 0);
    machine.lockedDirectories = {L"c:\\windows"};
    EXPECT_EQ(search().wide, L"c:\\tmp");
    EXPECT_EQ(machine.createAttemptsOf(L"c:\\tmp"), 1) << "the wide path names the directory the narrow test created";
}

TEST_F(TempRootSearch, nothing_usable_leaves_both_roots_absent) {
    machine.tempPath = L"C:\\nowhere\\Temp";
    machine.environment[L"USERPROFILE"] = L"C:\\nobody";
    TempRoots roots = search(true);
    EXPECT_FALSE(roots.found);
    EXPECT_TRUE(roots.narrow.empty());
    EXPECT_TRUE(roots.wide.empty());
}

TEST_F(TempRootSearch, directory_that_cannot_be_found_after_creation_is_removed_and_rejected) {
    machine.tempPath = L"C:\\Temp";
    machine.addDirectory(machine.tempPath);
    machine.createdDirectoriesStayHidden = true;
    EXPECT_FALSE(testWritableDirectoryA("C:\\Temp", machine));
    EXPECT_FALSE(testWritableDirectory(L"C:\\Temp", machine));
    EXPECT_TRUE(machine.directoriesContaining(L"plxtw").empty());
    EXPECT_FALSE(search().found);
}

TEST_F(TempRootSearch, paths_too_long_for_the_buffer_are_no_candidates) {
    machine.tempPath = L"C:\\" + std::wstring(kPathCapacity, L'x');
    machine.addDirectory(machine.tempPath);
    EXPECT_FALSE(search().found);
}

TEST(PseudoRandomSeed, is_seconds_times_process_id_in_32_bits) {
    EXPECT_EQ(pseudoRandomSeed(1000, 7), 7000u);
    EXPECT_EQ(pseudoRandomSeed(0x100000001LL, 3), 3u);
    EXPECT_EQ(pseudoRandomSeed(0x80000000LL, 2), 0u);
}

}  // namespace
