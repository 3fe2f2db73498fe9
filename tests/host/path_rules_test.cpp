#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "paths/path_rules.h"

namespace {

std::wstring collapsed(const wchar_t *path) {
    std::wstring text = path;
    collapseBackslashes(&text[0]);
    return text.c_str();
}

TEST(PathText, AbsolutePathsAreDriveOrUncPaths) {
    for (const char *path : {"C:\\x", "\\\\server\\share", "\"C:\\x\""}) {
        EXPECT_FALSE(isRelativePath(path)) << path;
        EXPECT_FALSE(isRelativePath(std::wstring(path, path + strlen(path)).c_str())) << path;
    }
    for (const char *path : {"name", "C:", "C:/x", "\\x\\y", "C:x", "", "\"C:\""})
        EXPECT_TRUE(isRelativePath(path)) << path;
}

TEST(PathText, DriveRootsInTheirThreeSpellings) {
    for (const wchar_t *path : {L"D:\\", L"D:\\.", L"D:\\.\\.", L"q:\\"})
        EXPECT_TRUE(isDriveRoot(path)) << path;
    for (const wchar_t *path : {L"D:", L"D:\\x", L"D:\\..", L"D:\\.\\", L""})
        EXPECT_FALSE(isDriveRoot(path)) << path;
}

TEST(PathText, CollapsingKeepsTheUncPrefix) {
    EXPECT_EQ(collapsed(L"\\\\server\\share"), L"\\\\server\\share");
    EXPECT_EQ(collapsed(L"a\\\\\\\\b"), L"a\\b");
    EXPECT_EQ(collapsed(L"\\\\\\x"), L"\\\\x");
    EXPECT_EQ(collapsed(L"C:\\\\\\name"), L"C:\\name");
    EXPECT_EQ(collapsed(L""), L"");
    EXPECT_EQ(collapsed(L"\\"), L"\\");
}

TEST(PathText, LowercasingTouchesOnlyAsciiCapitals) {
    std::wstring text = L"C:\\Program Files\\\u00c4PP";
    lowercasePath(&text[0]);
    EXPECT_EQ(text, L"c:\\program files\\\u00c4pp");
}

TEST(PathText, ExeExtensionNeedsAName) {
    EXPECT_TRUE(hasExeExtension("a.exe"));
    EXPECT_TRUE(hasExeExtension("C:\\App\\APP.EXE"));
    EXPECT_FALSE(hasExeExtension(".exe"));
    EXPECT_FALSE(hasExeExtension("a.exe.bak"));
}

TEST(PathText, BangBeforeASeparatorOrAtTheEnd) {
    EXPECT_TRUE(hasBangSeparator("C:\\tmp!\\x"));
    EXPECT_TRUE(hasBangSeparator(L"C:\\tmp!"));
    EXPECT_FALSE(hasBangSeparator("C:\\t!mp\\x"));
    EXPECT_FALSE(hasBangSeparator(static_cast<const char *>(nullptr)));
}

TEST(PathText, DirectoryPartEndsWithItsBackslash) {
    EXPECT_EQ(directoryPartLength(L"C:\\App\\App.exe"), 7u);
    EXPECT_EQ(directoryPartLength("App.exe"), 0u);
}

}  // namespace
