#include <gtest/gtest.h>

#include "common/format.h"
#include "tests/logpaths/wine_roles.h"

namespace {

// Whether the file's DACL lets everyone read it (a null DACL does).
bool everyoneMayRead(const std::wstring &path) {
    unsigned char buffer[4096];
    DWORD needed = 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, buffer, sizeof buffer, &needed) ||
        !GetSecurityDescriptorDacl(buffer, &present, &dacl, &defaulted) || !present || dacl == nullptr)
        return true;
    unsigned char world[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof world;
    CreateWellKnownSid(WinWorldSid, nullptr, world, &size);
    for (DWORD i = 0; i < dacl->AceCount; i++) {
        ACCESS_ALLOWED_ACE *entry = nullptr;
        if (GetAce(dacl, i, reinterpret_cast<void **>(&entry)) && entry->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            (entry->Mask & (FILE_READ_DATA | GENERIC_READ | GENERIC_ALL)) && EqualSid(&entry->SidStart, world))
            return true;
    }
    return false;
}

// "%p" shows a pointer with all its digits: 8 on i686, 16 on x86_64.
std::wstring pointerDigits(const std::wstring &digits) {
    return std::wstring(sizeof(void *) * 2 - digits.size(), L'0') + digits;
}

class DiagnosticLogFile : public ::testing::Test {
protected:
    ScratchDirectory root_;
};

TEST_F(DiagnosticLogFile, lines_keep_the_format_conventions_and_can_be_read_while_the_launcher_runs) {
    std::wstring events = L"pellux-logpaths-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                          std::to_wstring(GetTickCount());
    HANDLE logged = CreateEventW(nullptr, TRUE, FALSE, (events + L"-logged").c_str());
    HANDLE proceed = CreateEventW(nullptr, TRUE, FALSE, (events + L"-proceed").c_str());
    ASSERT_TRUE(logged && proceed);
    EnvironmentChanges environment = loggingInto(root_.path());
    environment.push_back({kEventVariable, events});
    ChildRun child(thisProgram(), L"--role log-lines", environment);
    ASSERT_TRUE(child.started());
    bool childLogged = WaitForSingleObject(logged, 20000) == WAIT_OBJECT_0;
    std::wstring logPath = root_.file(L"zno_nlog_1.log");
    std::wstring whileRunning = readUtf8File(logPath);
    SetEvent(proceed);
    RunResult result = child.finish(20000);
    CloseHandle(logged);
    CloseHandle(proceed);

    ASSERT_TRUE(childLogged);
    EXPECT_EQ(result.exitCode, 0u);
    std::wstring formatted = L"] formats wide\u0416 narrow -42 " + pointerDigits(L"1234") + L" 5000000000\r\n";
    EXPECT_TRUE(contains(whileRunning, formatted)) << whileRunning;
    EXPECT_TRUE(contains(whileRunning, L"] ERROR: could not find main class\r\n"));
    EXPECT_FALSE(contains(whileRunning, L"after the check"));
    std::wstring finished = readUtf8File(logPath);
    EXPECT_TRUE(contains(finished, L"] after the check\r\n"));
    EXPECT_EQ(finished.find(L"[0:"), finished.find(L"\r\n\r\n") + 4) << "first line right after the header";
}

// Taken names, a link among them perhaps, are never opened: the log goes to
// the next free one, after a thousand to the fallback file, which like every
// log only its account and the administrators may read.
TEST_F(DiagnosticLogFile, with_a_thousand_names_taken_the_fallback_file_is_created) {
    for (int n = 1; n < 1000; n++) {
        HANDLE file = CreateFileW(root_.file(L"zno_nlog_" + std::to_wstring(n) + L".log").c_str(), GENERIC_WRITE, 0,
                                  nullptr, CREATE_NEW, 0, nullptr);
        CloseHandle(file);
    }
    // A directory under the last name: it is chosen, but cannot be created as a file.
    CreateDirectoryW(root_.file(L"zno_nlog_1000.log").c_str(), nullptr);
    const wchar_t fallback[] = L"c:\\zno_nlog";
    DeleteFileW(fallback);
    runRole("temp-roots", loggingInto(root_.path()));
    std::wstring text = readUtf8File(fallback);
    bool readable = everyoneMayRead(fallback);
    DeleteFileW(fallback);
    EXPECT_FALSE(readable);
    EXPECT_EQ(text.rfind(L"Started executable ", 0), 0u) << text;
    EXPECT_EQ(readFileBytes(root_.file(L"zno_nlog_999.log")), "");
}

class FatalExit : public ::testing::Test {
protected:
    ScratchDirectory root_;
};

TEST_F(FatalExit, message_goes_to_standard_error_with_the_long_log_path) {
    std::wstring longRoot = root_.file(L"Long Temporary Root");
    CreateDirectoryW(longRoot.c_str(), nullptr);
    std::wstring shortRoot = shortPathOf(longRoot);
    ASSERT_NE(shortRoot, longRoot) << "Wine gives every long name a short one";
    RunResult result = runRole("fatal-exit", loggingInto(shortRoot));
    EXPECT_EQ(result.exitCode, 1u);
    std::wstring logPath = longPathOf(shortRoot) + L"\\zno_nlog_1.log";
    EXPECT_EQ(fromUtf8(withoutCarriageReturns(result.err)),
              L"An internal error occurred (error code: 16)\n\nLog: " + logPath + L"\n");
}

TEST_F(FatalExit, without_a_log_the_message_stands_alone) {
    EnvironmentChanges environment = {{L"PELLUX_LOG", std::nullopt}, {L"ZANTHOR_LOG", std::nullopt},
                                      {L"TEMP", root_.path()}, {L"TMP", root_.path()}};
    RunResult result = runRole("fatal-exit", environment);
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(withoutCarriageReturns(result.err), "An internal error occurred (error code: 16)\n");
}

TEST_F(FatalExit, removes_the_launcher_directory_two_levels_deep) {
    RunResult flat = runRole("fatal-exit", loggingInto(root_.path()));
    std::wstring flatDirectory = childValue(flat.out, "dir");
    EXPECT_EQ(flat.exitCode, 1u);
    EXPECT_EQ(flatDirectory.rfind(root_.path() + L"\\plx", 0), 0u) << flatDirectory;
    EXPECT_NE(flatDirectory.find(L".tmp_dir"), std::wstring::npos) << "reserved file name, then _dir and the time";
    EXPECT_FALSE(fileExists(flatDirectory));
    EXPECT_FALSE(fileExists(flatDirectory.substr(0, flatDirectory.find(L"_dir")))) << "the reserved file goes with it";

    EnvironmentChanges environment = loggingInto(root_.path());
    environment.push_back({kDeepFilesVariable, L"1"});
    RunResult deep = runRole("fatal-exit", environment);
    std::wstring directory = childValue(deep.out, "dir");
    EXPECT_FALSE(fileExists(directory + L"\\top.txt"));
    EXPECT_FALSE(fileExists(directory + L"\\sub\\middle.txt"));
    EXPECT_TRUE(fileExists(directory + L"\\sub\\deeper\\bottom.txt")) << "a third level is beyond the depth";
    EXPECT_TRUE(fileExists(directory + L"\\sub"));
    EXPECT_TRUE(fileExists(directory));
    EXPECT_TRUE(fileExists(directory.substr(0, directory.find(L"_dir")))) << "its name stays reserved";

    std::wstring log = readUtf8File(root_.file(L"zno_nlog_2.log"));
    EXPECT_TRUE(contains(log, L"] tempPath is "));
    EXPECT_TRUE(contains(log, L"] Temp dir3: " + directory + L"\r\n"));
    EXPECT_TRUE(contains(log, L"] emptying " + directory + L"\r\n"));
    EXPECT_TRUE(contains(log, L"] attempting to remove " + directory + L"\\sub (1)\r\n"));
    EXPECT_TRUE(contains(log, L"] attempting to remove " + directory + L"\\sub\\deeper (0)\r\n"));
    EXPECT_TRUE(contains(log, L"] attempting to delete " + directory + L"\\sub\\middle.txt\r\n"));
}

TEST_F(FatalExit, launcher_directory_that_cannot_be_made_ends_with_code_7) {
    std::wstring vanishing = root_.file(L"vanishing");
    CreateDirectoryW(vanishing.c_str(), nullptr);
    EnvironmentChanges environment = {{L"PELLUX_LOG", std::nullopt}, {L"ZANTHOR_LOG", std::nullopt},
                                      {L"TEMP", vanishing}, {L"TMP", vanishing}};
    RunResult result = runRole("temp-dir-fails", environment);
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(withoutCarriageReturns(result.err), "An internal error occurred (error code: 7)\n");
}

// Without a display Wine's message box returns at once; its relay trace shows
// the text it was given. Wine writes a child's trace to the Unix standard
// error the child inherited, which is this program's own.
TEST_F(FatalExit, message_box_mode_shows_the_text_in_a_box) {
    HANDLE ownError = CreateFileW(L"Z:\\proc\\self\\fd\\2", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    if (ownError == INVALID_HANDLE_VALUE || GetFileType(ownError) != FILE_TYPE_DISK) {
        if (ownError != INVALID_HANDLE_VALUE)
            CloseHandle(ownError);
        GTEST_SKIP() << "standard error is no file here, so the trace cannot be read back";
    }
    HKEY debug;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Debug", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &debug, nullptr),
              ERROR_SUCCESS);
    const wchar_t only[] = L"user32.MessageBoxW";
    RegSetValueExW(debug, L"RelayInclude", 0, REG_SZ, reinterpret_cast<const BYTE *>(only), sizeof only);
    EnvironmentChanges environment = loggingInto(root_.path());
    environment.push_back({L"WINEDEBUG", L"+relay"});
    RunResult result = runRole("message-box", environment);
    RegDeleteValueW(debug, L"RelayInclude");
    RegCloseKey(debug);
    CloseHandle(ownError);
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.err, "") << "nothing on standard error in message box mode";
    // The log path is unique to this run, so older traces in the file do not count.
    std::string escapedPath;
    for (char c : toUtf8(root_.file(L"zno_nlog_1.log")))
        escapedPath += c == '\\' ? std::string("\\\\") : std::string(1, c);
    std::string text = "L\"Internal Error: magic\\n\\nLog: " + escapedPath + "\"";
    // The child's trace reaches the shared file a little after the child has
    // ended (seen under load), so read it again for a while.
    std::string trace;
    size_t at = std::string::npos;
    for (int attempt = 0; attempt < 50 && at == std::string::npos; attempt++) {
        if (attempt > 0)
            Sleep(100);
        trace = readFileBytes(L"Z:\\proc\\self\\fd\\2");
        at = trace.find(text);
    }
    // Z:\proc\self is opened by the wineserver, so this is its standard error:
    // the trace is readable only when the wineserver writes to the same file.
    if (at == std::string::npos && trace.find("trace:relay:load_list") == std::string::npos)
        GTEST_SKIP() << "the relay trace went to a standard error this test cannot read";
    ASSERT_NE(at, std::string::npos) << "no message box with " << text;
    size_t lineStart = trace.rfind('\n', at) + 1;
    std::string line = trace.substr(lineStart, trace.find('\n', at) - lineStart);
    EXPECT_NE(line.find("Call user32.MessageBoxW(00000000,"), std::string::npos) << line;
    EXPECT_NE(line.find("L\"Error\",00000010)"), std::string::npos) << "caption from message 1000, MB_ICONERROR";
}

TEST_F(FatalExit, a_console_gets_the_text_and_standard_error_nothing) {
    EnvironmentChanges environment = {{L"PELLUX_LOG", std::nullopt}, {L"ZANTHOR_LOG", std::nullopt}};
    RunResult result = runRole("console-message", environment);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "");
}

// What the Windows runtime's own wide printf does with the log's conventions,
// and why the launcher formats with its own code: with libstdc++ the mingw
// headers force __USE_MINGW_ANSI_STDIO to 1 whatever the build asks, so
// swprintf is mingw's ISO one, in which "%s" takes a narrow string and "%p"
// is lower case. msvcrt's _snwprintf keeps the Windows meaning. The same holds
// for the i686 product, which links the same msvcrt and the same headers.
TEST(FormatConventions, msvcrt_wide_printf_agrees_with_the_launcher_formatter) {
    const wchar_t format[] = L"%s|%S|%d|%p|%I64d";
    void *pointer = reinterpret_cast<void *>(0x12ab);
    wchar_t runtime[200];
    _snwprintf(runtime, 200, format, L"wide", "narrow", -42, pointer, 5000000000LL);
    runtime[199] = 0;
    std::wstring ours = formatString(format, L"wide", "narrow", -42, pointer, 5000000000LL);
    EXPECT_EQ(ours, runtime);
    EXPECT_EQ(ours, L"wide|narrow|-42|" + pointerDigits(L"12AB") + L"|5000000000");
}

TEST(FormatConventions, mingw_own_wide_printf_reads_percent_s_as_narrow) {
    wchar_t mingw[200];
    __mingw_snwprintf(mingw, 200, L"%s|%p", "narrow", reinterpret_cast<void *>(0x12ab));
    EXPECT_EQ(std::wstring(mingw), L"narrow|" + pointerDigits(L"12ab"));
}

}  // namespace
