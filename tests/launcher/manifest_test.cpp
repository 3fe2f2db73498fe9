#include <gtest/gtest.h>

#include "tests/support/launcher_harness.h"

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

}  // namespace
