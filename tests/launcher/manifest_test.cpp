#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/support/launcher_harness.h"
#include "pellux_version.h"

namespace {

std::string manifestOf(const std::wstring &executable) {
    HMODULE module = LoadLibraryExW(executable.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return std::string();
    std::string text;
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    if (loaded)
        text.assign(static_cast<const char *>(LockResource(loaded)), SizeofResource(module, resource));
    FreeLibrary(module);
    return text;
}

// The manifest makes version queries report the real system (the runtime
// loader depends on it) and asks for the rights that service control needs.
TEST(Manifest, RequestsAdministratorAndDeclaresSupportedSystems) {
    std::string manifest = manifestOf(launcherStubPath());
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("level=\"requireAdministrator\" uiAccess=\"false\""), std::string::npos);
    for (const char *system : {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                               "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                               "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        EXPECT_NE(manifest.find(system), std::string::npos) << system;
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
}

// One value of the version resource's string table (English, Unicode).
std::wstring versionValue(const std::wstring &file, const wchar_t *name) {
    DWORD ignored = 0;
    std::vector<char> data(GetFileVersionInfoSizeW(file.c_str(), &ignored));
    if (data.empty() || !GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data()))
        return L"(no version resource)";
    wchar_t *value = nullptr;
    UINT length = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void **>(&value), &length) || length == 0)
        return L"(no " + std::wstring(name) + L")";
    return value;
}

// What Explorer's Details tab shows of the launcher and of the helper library
// beside it in the pack resources.
TEST(VersionResource, NamesProductVersionAndOriginalFile) {
    std::wstring helper = launcherStubPath();
    helper = helper.substr(0, helper.find_last_of(L"\\/") + 1) + L"helperlib\\znoinst.dll";
    for (const auto &file : {std::make_pair(launcherStubPath(), L"pellux.exe"), std::make_pair(helper, L"znoinst.dll")}) {
        EXPECT_EQ(versionValue(file.first, L"ProductName"), L"pellux") << file.second;
        EXPECT_EQ(versionValue(file.first, L"ProductVersion"), PELLUX_VERSION_W) << file.second;
        EXPECT_EQ(versionValue(file.first, L"FileVersion"), PELLUX_VERSION_W) << file.second;
        EXPECT_EQ(versionValue(file.first, L"OriginalFilename"), file.second) << file.second;
    }
}

}  // namespace
