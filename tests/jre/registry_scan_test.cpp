// The registry scans against Wine's real registry: vendor keys, located and
// shared runtimes under both roots, earlier installations in both views.
// Every key a test creates is removed again.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "jre/check_java_exe.h"
#include "jre/registry_jvms.h"
#include "jre/search_jvm.h"
#include "tests/jre/jre_test_support.h"

namespace {

const char kJavaSoftJdk[] = "SOFTWARE\\JavaSoft\\JDK";
const char kAdoptium[] = "SOFTWARE\\Eclipse Adoptium\\JDK";
const char kZulu[] = "SOFTWARE\\Azul Systems\\Zulu";
const char kLocatedKey[] = "SOFTWARE\\Marrowfield\\pellux\\locatedjvms\\";
const char kInstallationsKey[] = "SOFTWARE\\Marrowfield\\zanthor\\installations";

class RegistryScan : public ::testing::Test {
protected:
    void SetUp() override { resetRecordingLoader(); }

    std::string home(const std::string &name, const std::string &version = "17.0.2") {
        RuntimeHomeLayout layout;
        layout.version = version;
        return narrow(homes_.layOut(name, layout).home);
    }
    std::string javaOf(const std::string &home) { return normalised(wide(home + "\\bin\\java.exe")); }

    void addVendorVersion(const char *vendorKey, const std::string &name, const char *value, const std::string &home,
                          const char *subkey = "") {
        ASSERT_TRUE(keys_.setText(HKEY_LOCAL_MACHINE, std::string(vendorKey) + "\\" + name + subkey, value, home));
    }
    void addLocated(HKEY root, const std::string &keyPath, const std::string &javaExe, REGSAM view = 0) {
        std::string name = javaExe;
        std::replace(name.begin(), name.end(), '\\', '/');
        ASSERT_TRUE(keys_.create(root, keyPath + name, view));
    }

    bool scan() {
        found_[0] = 0;
        version_[0] = 0;
        return scanRegistryJvms(testSettings(), watch_, found_, version_, minimum_, maximum_);
    }

    ConfigRecords config_;
    HomesDirectory homes_;
    OwnedKeys keys_;
    JavaVersion minimum_ = parseJavaVersion("1.8");
    JavaVersion maximum_ = parseJavaVersion("17");
    RuntimeSearchWatch watch_;
    char found_[kPathCapacity];
    char version_[kVersionCapacity];
};

TEST_F(RegistryScan, VendorSubkeysAreFilteredByNameAndProbedHighestFirst) {
    std::string update = home("Update", "1.8.0_392");
    addVendorVersion(kJavaSoftJdk, "1.8", "JavaHome", home("Eight", "1.8.0_1"));
    addVendorVersion(kJavaSoftJdk, "1.8.0_392", "JavaHome", update);
    addVendorVersion(kJavaSoftJdk, "17", "JavaHome", homes_.path("Vanished"));
    addVendorVersion(kJavaSoftJdk, "21", "JavaHome", home("TooNew", "21.0.1"));
    LogTail log;
    EXPECT_TRUE(scan());
    EXPECT_STREQ(found_, javaOf(update).c_str());
    EXPECT_STREQ(version_, "1.8.0_392");
    EXPECT_TRUE(log.hasLine(L"test key name 21 21"));
    EXPECT_FALSE(log.hasLine(L"found in SOFTWARE\\JavaSoft\\JDK: 21"));
    size_t seventeen = log.find(L"found in SOFTWARE\\JavaSoft\\JDK: 17");
    size_t update392 = log.find(L"found in SOFTWARE\\JavaSoft\\JDK: 1.8.0_392");
    size_t eight = log.find(L"found in SOFTWARE\\JavaSoft\\JDK: 1.8");
    EXPECT_LT(seventeen, update392);
    EXPECT_LT(update392, eight);
    EXPECT_NE(eight, std::wstring::npos);
    EXPECT_TRUE(log.hasLine(L"found sun " + wide(javaOf(update)) + L" 1.8.0_392"));
    // The first accepted subkey ends the key: 1.8 is never probed.
    EXPECT_FALSE(log.hasLine(L"checkJavaExe (" + wide(homes_.path("Eight")) + L"\\bin\\java.exe, [out], 2, 1, 0)"));
}

TEST_F(RegistryScan, EqualVersionsGoToTheEarlierVendorKey) {
    std::string javaSoft = home("JavaSoft");
    std::string adoptium = home("Adoptium");
    addVendorVersion(kAdoptium, "17", "Path", adoptium, "\\hotspot\\MSI");
    addVendorVersion(kJavaSoftJdk, "17", "JavaHome", javaSoft);
    LogTail log;
    EXPECT_TRUE(scan());
    EXPECT_STREQ(found_, javaOf(javaSoft).c_str());
    size_t first = log.find(L"found registry jre " + wide(javaOf(javaSoft)) + L" 17.0.2");
    EXPECT_LT(first, log.find(L"found registry jre " + wide(javaOf(adoptium)) + L" 17.0.2"));
}

TEST_F(RegistryScan, ZuluNamesAreFilteredWithoutTheirPrefixAndSortBelowPlainNames) {
    std::string zulu = home("Zulu", "11.0.20");
    addVendorVersion(kZulu, "zulu-21", "InstallationPath", home("Zulu21", "21.0.1"));
    addVendorVersion(kZulu, "zulu-11", "InstallationPath", zulu);
    addVendorVersion(kZulu, "1.8", "InstallationPath", homes_.path("NoSuchHome"));
    LogTail log;
    EXPECT_TRUE(scan());
    EXPECT_STREQ(found_, javaOf(zulu).c_str());
    EXPECT_TRUE(log.hasLine(L"test key name 21 zulu-21"));
    EXPECT_FALSE(log.hasLine(L"found in SOFTWARE\\Azul Systems\\Zulu: zulu-21"));
    EXPECT_LT(log.find(L"found in SOFTWARE\\Azul Systems\\Zulu: 1.8"),
              log.find(L"found in SOFTWARE\\Azul Systems\\Zulu: zulu-11"));
}

TEST_F(RegistryScan, JreKeysAreSkippedWhenAJdkIsRequired) {
    RuntimeHomeLayout layout;
    layout.withToolsJar = true;
    layout.javaDirectory = L"jre\\bin";
    std::string jdk = narrow(homes_.layOut("Jdk", layout).home);
    addVendorVersion("SOFTWARE\\JavaSoft\\JRE", "17", "JavaHome", home("Jre"));
    addVendorVersion("SOFTWARE\\JavaSoft\\Java Development Kit", "17", "JavaHome", jdk);
    config_.set(131, "1");
    LogTail log;
    EXPECT_TRUE(scan());
    EXPECT_STREQ(found_, normalised(wide(jdk + "\\jre\\bin\\java.exe")).c_str());
    EXPECT_EQ(log.text().find(L"found in SOFTWARE\\JavaSoft\\JRE:"), std::wstring::npos);
}

TEST_F(RegistryScan, LocatedRuntimeWinsTiesAgainstVendorsAndTheMachineAgainstTheUser) {
    std::string vendor = home("Vendor");
    std::string user = home("User");
    std::string machine = home("Machine");
    addVendorVersion(kJavaSoftJdk, "17", "JavaHome", vendor);
    addLocated(HKEY_CURRENT_USER, kLocatedKey, javaOf(user));
    addLocated(HKEY_LOCAL_MACHINE, kLocatedKey, javaOf(machine));
    LogTail log;
    EXPECT_TRUE(scan());
    EXPECT_STREQ(found_, javaOf(machine).c_str());
    EXPECT_TRUE(log.hasLine(L"found located " + wide(javaOf(machine)) + L" 17.0.2"));

    std::string newerUser = home("NewerUser", "17.0.3");
    addLocated(HKEY_CURRENT_USER, kLocatedKey, javaOf(newerUser));
    EXPECT_TRUE(scan());
    EXPECT_STREQ(found_, javaOf(newerUser).c_str());

    std::string newerVendor = home("NewerVendor", "17.0.9");
    addVendorVersion(kJavaSoftJdk, "17.0.9", "JavaHome", newerVendor);
    EXPECT_TRUE(scan());
    EXPECT_STREQ(found_, javaOf(newerVendor).c_str());
}

TEST_F(RegistryScan, ZnoJresRuntimesNeedTheirOwnSwitch) {
    std::string shipped = home("zno_jres\\17");
    std::string plain = home("Plain", "11.0.1");
    addVendorVersion(kJavaSoftJdk, "11", "JavaHome", plain);
    addLocated(HKEY_CURRENT_USER, kLocatedKey, javaOf(shipped));
    EXPECT_TRUE(scan());
    EXPECT_STREQ(found_, javaOf(plain).c_str());

    config_.set(168, "1");
    EXPECT_TRUE(scan());
    EXPECT_STREQ(found_, javaOf(shipped).c_str());

    // Only zno_jres runtimes: no vendor keys, no plain located runtimes.
    config_.set(165, "1");
    config_.set(168, "0");
    addLocated(HKEY_LOCAL_MACHINE, kLocatedKey, javaOf(plain));
    LogTail log;
    EXPECT_FALSE(scan());
    EXPECT_EQ(log.text().find(L"test key name"), std::wstring::npos);
}

TEST_F(RegistryScan, SharedRuntimesAreReadBelowTheSharingKey) {
    LogTail log;
    EXPECT_FALSE(scanSharedJvms(testSettings(), watch_, found_, version_, minimum_, maximum_));
    EXPECT_TRUE(log.hasLine(L"Sharing key: "));

    std::string shared = home("zno_jres\\shared");
    config_.set(167, "pellux-test-share");
    addLocated(HKEY_LOCAL_MACHINE, "SOFTWARE\\Marrowfield\\zanthor\\sharedjvms\\pellux-test-share\\",
               javaOf(shared));
    EXPECT_TRUE(scanSharedJvms(testSettings(), watch_, found_, version_, minimum_, maximum_));
    EXPECT_STREQ(found_, javaOf(shared).c_str());
}

// This build is the 64-bit one: its own half of HKEY_LOCAL_MACHINE first; the
// 32-bit half only for runtimes a 32-bit installer recorded there.
TEST_F(RegistryScan, The64BitBuildReadsItsOwnRegistryViewFirst) {
    std::string vendor32 = home("Vendor32");
    std::string located32 = home("Located32", "11.0.9");
    ASSERT_TRUE(keys_.setText(HKEY_LOCAL_MACHINE, std::string(kJavaSoftJdk) + "\\17", "JavaHome", vendor32,
                              KEY_WOW64_32KEY));
    addLocated(HKEY_LOCAL_MACHINE, kLocatedKey, javaOf(located32), KEY_WOW64_32KEY);
    LogTail log;
    EXPECT_TRUE(scan());
    EXPECT_STREQ(found_, javaOf(located32).c_str());
    EXPECT_EQ(log.text().find(L"found in SOFTWARE\\JavaSoft\\JDK:"), std::wstring::npos);

    std::string located64 = home("Located64", "11.0.1");
    addLocated(HKEY_LOCAL_MACHINE, kLocatedKey, javaOf(located64));
    EXPECT_TRUE(scan());
    EXPECT_STREQ(found_, javaOf(located64).c_str());

    std::string vendor64 = home("Vendor64");
    addVendorVersion(kJavaSoftJdk, "17", "JavaHome", vendor64);
    EXPECT_TRUE(scan());
    EXPECT_STREQ(found_, javaOf(vendor64).c_str());
}

TEST_F(RegistryScan, EarlierInstallationGoesOnToTheNextDirectory) {
    config_.set(160, "pellux-test-app");
    LogTail skipped;
    EXPECT_FALSE(findPreviousInstallation(testSettings(), watch_, HKEY_CURRENT_USER, found_, version_, minimum_,
                                          maximum_));
    EXPECT_TRUE(skipped.hasLine(L"could not open installation node 2") ||
                skipped.hasLine(L"could not query value node 2"));

    home("Old\\jre", "1.7.0_80");
    std::string good = home("Good\\jre");
    std::string list = ";" + homes_.path("Old") + ";;" + homes_.path("Good");
    ASSERT_TRUE(keys_.setText(HKEY_CURRENT_USER, kInstallationsKey, "pellux-test-app", list));
    LogTail log;
    EXPECT_TRUE(findPreviousInstallation(testSettings(), watch_, HKEY_CURRENT_USER, found_, version_, minimum_,
                                         maximum_));
    EXPECT_STREQ(found_, javaOf(good).c_str());
    EXPECT_TRUE(log.hasLine(L"found installations: " + wide(list)));
    EXPECT_TRUE(log.hasLine(L"java version did not match in " + wide(homes_.path("Old")) + L"\\jre"));

    config_.set(131, "1");
    EXPECT_FALSE(findPreviousInstallation(testSettings(), watch_, HKEY_CURRENT_USER, found_, version_, minimum_,
                                          maximum_));
    EXPECT_TRUE(log.hasLine(L"did not find java in " + wide(homes_.path("Good")) + L"\\jre"));
}

TEST_F(RegistryScan, EarlierMachineInstallationIsFoundInThe32BitView) {
    config_.set(160, "pellux-test-app");
    config_.set(126, "1.8");
    config_.set(127, "17");
    config_.set(128, "");
    config_.set(10003, homes_.path());
    std::string good = home("Wow\\jre");
    ASSERT_TRUE(keys_.setText(HKEY_LOCAL_MACHINE, kInstallationsKey, "pellux-test-app", homes_.path("Wow"),
                              KEY_WOW64_32KEY));
    RunPlaces places;
    RuntimeSearchResult result;
    LogTail log;
    EXPECT_EQ(searchJvm(testSettings(), places, watch_, result, recordingLoader), nullptr);
    EXPECT_EQ(result.kind, RuntimeLocationKind::Registry);
    EXPECT_EQ(loaderCandidates, (std::vector<std::string>{javaOf(good)}));
    EXPECT_TRUE(log.hasLine(L"found JRE from previous installation (machine) " + wide(javaOf(good))));
    EXPECT_NE(log.text().find(L"checking app id pellux-test-app (512, "), std::wstring::npos);
    EXPECT_LT(log.find(L"found JRE from previous installation (machine) " + wide(javaOf(good))),
              log.find(L"Search sequence finished"))
        << narrow(log.text());
}

}  // namespace
