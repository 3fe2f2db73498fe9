// The Windows Installer package: its identities (stable across builds and
// releases), what the Installer can hold, the WiX source, and pellux-pack
// refusing what it cannot package with nothing written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/packaging/pack_fixture.h"
#include "writer/msi_project.h"
#include "writer/wix_source.h"

namespace {

std::string hex(const std::string &bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned char byte : bytes)
        text += std::string(1, kHex[byte >> 4]) + kHex[byte & 15];
    return text;
}

size_t count(const std::string &text, const std::string &piece) {
    size_t found = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        found++;
    return found;
}

TEST(MsiIdentity, GuidsAreNameBasedStandardAndStable) {
    EXPECT_EQ(hex(sha1Digest("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(hex(sha1Digest(std::string(1000, 'a'))), "291e9a6c66994949b57ba5e650361e98fc36b1ba");
    // The standard's example: the DNS namespace and "python.org".
    EXPECT_EQ(nameBasedGuid("{6ba7b810-9dad-11d1-80b4-00c04fd430c8}", "python.org"),
              "{886313E1-3B8A-5372-9B90-0C9AEE199E5D}");
    // Every release derives the same code, whatever case the name is written in,
    // or packages of one service would stop upgrading each other.
    EXPECT_EQ(defaultUpgradeCode("Heartbeat"), "{FF8BE13E-A3A6-5358-9247-BCED6989152D}");
    EXPECT_EQ(defaultUpgradeCode("HEARTBEAT"), defaultUpgradeCode("heartbeat"));
    EXPECT_NE(defaultUpgradeCode("Heartbeat"), defaultUpgradeCode("Heartbeat2"));
    MsiPackage first, second;
    first.upgradeCode = second.upgradeCode = defaultUpgradeCode("Heartbeat");
    first.version = "1.0.0";
    second.version = "1.0.1";
    EXPECT_NE(productCodeOf(first), productCodeOf(second));
    second.version = "1.0.0";
    EXPECT_EQ(productCodeOf(first), productCodeOf(second));
}

TEST(MsiIdentity, GuidsVersionsFoldersAndNamesAreCheckedAsTheInstallerNeeds) {
    std::string guid, problem, base;
    EXPECT_TRUE(normalizeGuid("0b5a2c7e-1d4f-4a6b-8c9d-0e1f2a3b4c5d", &guid));
    EXPECT_EQ(guid, "{0B5A2C7E-1D4F-4A6B-8C9D-0E1F2A3B4C5D}");
    EXPECT_TRUE(normalizeGuid("{0B5A2C7E-1D4F-4A6B-8C9D-0E1F2A3B4C5D}", &guid));
    for (const char *bad : {"", "{0B5A2C7E-1D4F-4A6B-8C9D-0E1F2A3B4C5D", "0B5A2C7E1D4F4A6B8C9D0E1F2A3B4C5D",
                            "0B5A2C7E-1D4F-4A6B-8C9D-0E1F2A3B4C5G", "{0B5A2C7E-1D4F-4A6B-8C9D-0E1F2A3B4C5D}x"})
        EXPECT_FALSE(normalizeGuid(bad, &guid)) << bad;

    for (const char *good : {"1.4.0", "0.0.1", "255.255.65535"})
        EXPECT_TRUE(checkMsiVersion(good, &problem)) << good;
    for (const char *bad : {"", "1.4", "1.4.0.1", "256.0.0", "1.256.0", "1.0.65536", "1..0", "1.x.0", "v1.0.0",
                            "1.0.0 ", "-1.0.0", "99999999999999999999.0.0"})
        EXPECT_FALSE(checkMsiVersion(bad, &problem)) << bad;

    std::vector<std::string> path;
    EXPECT_TRUE(parseInstallDir("[ProgramFiles64Folder]Acme\\Inventory", true, &base, &path, &problem));
    EXPECT_EQ(base, "ProgramFiles64Folder");
    EXPECT_EQ(path, (std::vector<std::string>{"Acme", "Inventory"}));
    EXPECT_TRUE(parseInstallDir("[WindowsVolume]Services/Inventory/", false, &base, &path, &problem));
    EXPECT_EQ(path, (std::vector<std::string>{"Services", "Inventory"}));
    for (const char *bad : {"C:\\Services\\Inventory", "[ProgramFiles64Folder]", "[ProgramFilesFolder]\\",
                            "[UnknownFolder]Inventory", "[ProgramFilesFolder]a\\..\\b", "[ProgramFilesFolder]a:b",
                            "[ProgramFilesFolder]name.", "[ProgramFilesFolder]in[x]", "ProgramFilesFolder]x"})
        EXPECT_FALSE(parseInstallDir(bad, true, &base, &path, &problem)) << bad;
    EXPECT_FALSE(parseInstallDir("[ProgramFiles64Folder]Inventory", false, &base, &path, &problem));
    EXPECT_NE(problem.find("i686"), std::string::npos) << problem;

    EXPECT_TRUE(isInstallerName("My Service-2.vmoptions"));
    for (const char *bad : {"", "Caf\xc3\xa9", "a[b]", "a{b}", "cost$(var.x)", "tab\there", "100%"})
        EXPECT_FALSE(isInstallerName(bad)) << bad;
}

MsiPackage examplePackage() {
    MsiPackage package;
    package.serviceName = "Inventory";
    package.manufacturer = "Smith & <Sons> \"Ltd\"";
    package.version = "2.1.7";
    package.upgradeCode = defaultUpgradeCode("Inventory");
    package.installBase = "ProgramFiles64Folder";
    package.installPath = {"Acme", "Inventory"};
    package.executable = "Inventory.exe";
    package.files = {"Inventory.exe", "Inventory.vmoptions", ".zanthor/znoruntime.jar", ".zanthor/pref_jre.cfg",
                     "lib/app.jar", "lib/deep/more.jar"};
    package.keptFiles = {"Inventory.vmoptions", ".zanthor/pref_jre.cfg"};
    return package;
}

TEST(WixSource, EscapesTextsKeepsEditedFilesAndRegistersWithTheExecutable) {
    MsiPackage package = examplePackage();
    std::string source = wixSource(package);
    EXPECT_NE(source.find("Manufacturer=\"Smith &amp; &lt;Sons&gt; &quot;Ltd&quot;\""), std::string::npos);
    EXPECT_EQ(source.find("<Sons>"), std::string::npos);
    EXPECT_NE(source.find("Version=\"2.1.7\""), std::string::npos);
    EXPECT_NE(source.find("UpgradeCode=\"" + package.upgradeCode + "\""), std::string::npos);
    EXPECT_NE(source.find("Id=\"" + productCodeOf(package) + "\""), std::string::npos);
    EXPECT_NE(source.find("<Directory Id=\"ProgramFiles64Folder\">"), std::string::npos);
    EXPECT_NE(source.find("<Directory Id=\"INSTALLDIR\" Name=\"Inventory\">"), std::string::npos);
    // XML comments cannot hold a doubled hyphen.
    EXPECT_EQ(source.find("--", source.find("<!--") + 4), source.find("-->"));
    // One component per file, each of its own stable GUID; edited files are
    // installed as first copies and placed by the install.
    EXPECT_EQ(count(source, "<Component "), package.files.size());
    EXPECT_EQ(count(source, "Win64=\"yes\""), package.files.size() + 1);  // and the remembered folder
    EXPECT_NE(source.find("Source=\"$(var.ServiceFolder)/lib/deep/more.jar\""), std::string::npos);
    EXPECT_NE(source.find("<File Id=\"Executable\" Name=\"Inventory.exe\""), std::string::npos);
    EXPECT_NE(source.find("<Directory Id=\"Folder1\" Name=\".defaults\">"), std::string::npos);
    EXPECT_LT(source.find("Name=\".defaults\""), source.find("Name=\"Inventory.vmoptions\""));
    EXPECT_EQ(count(source, "Name=\"Inventory.vmoptions\""), 1u);
    EXPECT_NE(source.find("copy /y &quot;[INSTALLDIR].defaults\\.zanthor\\pref_jre.cfg&quot;"), std::string::npos);
    // Registered, started and removed by the installed executable at fixed
    // places (wixl would put actions placed relative to others after the end).
    EXPECT_NE(source.find("FileKey=\"Executable\" ExeCommand=\"/install\" Execute=\"deferred\" Impersonate=\"no\" "
                          "Return=\"check\""),
              std::string::npos);
    EXPECT_NE(source.find("FileKey=\"Executable\" ExeCommand=\"/uninstall\" Execute=\"rollback\""), std::string::npos);
    EXPECT_EQ(source.find("After="), std::string::npos);
    EXPECT_NE(source.find("<RegistrySearch Id=\"RememberedInstallDir\" Root=\"HKLM\" Key=\"SOFTWARE\\pellux\\Inventory\""),
              std::string::npos);
    EXPECT_NE(source.find("Name=\"InstallDir\" Type=\"string\" Value=\"[INSTALLDIR]\""), std::string::npos);
    EXPECT_EQ(source.find("StartNewService"), std::string::npos);
    EXPECT_NE(source.find("<Custom Action=\"RestartService\" Sequence=\"5902\">"), std::string::npos);
    EXPECT_NE(source.find("REMOVE~=&quot;ALL&quot; AND REMOVE_LOGS=1"), std::string::npos);
    EXPECT_EQ(packageCorrections(package).size(), 3u);

    package.autoStart = true;
    package.win64 = false;
    package.installBase = "ProgramFilesFolder";
    package.keptFiles.clear();
    source = wixSource(package);
    EXPECT_NE(source.find("<Custom Action=\"StartNewService\" Sequence=\"5901\">"), std::string::npos);
    EXPECT_EQ(source.find("RestartService"), std::string::npos);
    EXPECT_EQ(source.find("Win64"), std::string::npos);
    EXPECT_NE(source.find("[SystemFolder]cmd.exe"), std::string::npos);
    EXPECT_EQ(source.find(".defaults"), std::string::npos);
    EXPECT_EQ(packageCorrections(package).size(), 2u);
}

class MsiPack : public PackFixture {
protected:
    int packPackage(const std::string &msiTable, const std::string &outputs = "--msi out.msi --wxs out.wxs",
                    const std::string &name = "Inventory") {
        write("service.toml", "[service]\nname = \"" + name + "\"\n[java]\nmain_class = \"app.Main\"\n" +
                                  "vmoptions_file = [\"-Xmx1g\"]\n" + msiTable);
        return pack("service.toml --file service.toml=lib/app.toml " + outputs);
    }
    void expectRefused(const std::string &msiTable, const std::string &said, const std::string &name = "Inventory") {
        EXPECT_EQ(packPackage(msiTable, "--msi out.msi --wxs out.wxs --folder out", name), 1) << msiTable;
        EXPECT_NE(errors_.find(said), std::string::npos) << msiTable << ": " << errors_;
        EXPECT_FALSE(exists("out.msi") || exists("out.wxs") || exists("out")) << msiTable;
    }
};

TEST_F(MsiPack, RefusesWhatTheInstallerCannotHoldNamingTheKeyAndWritesNothing) {
    expectRefused("", "service.toml: msi.version: required");
    expectRefused("[msi]\nversion = \"1.2\"\n", "service.toml:7: msi.version: must be three numbers");
    expectRefused("[msi]\nversion = \"1.2.70000\"\n", "msi.version: numbers up to 255.255.65535");
    expectRefused("[msi]\nversion = 1\n", "service.toml:7: msi.version: must be a text");
    expectRefused("[msi]\nversion = \"1.0.0\"\nupgrade_code = \"not-a-guid\"\n",
                  "service.toml:8: msi.upgrade_code: must be a GUID");
    expectRefused("[msi]\nversion = \"1.0.0\"\ninstall_dir = \"C:\\\\Services\"\n",
                  "service.toml:8: msi.install_dir: must begin with a standard folder");
    expectRefused("[msi]\nversion = \"1.0.0\"\nmanufacturer = \"$(env.USER)\"\n", "msi.manufacturer");
    expectRefused("[msi]\nversion = \"1.0.0\"\nproduct = \"x\"\n", "unknown key \"msi.product\"");
    expectRefused("[msi]\nversion = \"1.0.0\"\n", "service.name: \"Inv[1]\" cannot name an Installer package",
                  "Inv[1]");
    EXPECT_EQ(pack("service.toml --output x.exe --msi out.msi"), 1);
    EXPECT_NE(errors_.find("give either"), std::string::npos) << errors_;
}

TEST_F(MsiPack, WritesThePackageAndItsSourceAndNamesMissingTools) {
    ASSERT_EQ(packPackage("[msi]\nversion = \"3.0.1\"\nmanufacturer = \"Acme\"\n"), 0) << errors_;
    std::string source = read("out.wxs");
    EXPECT_NE(source.find("Source=\"$(var.ServiceFolder)/lib/app.toml\""), std::string::npos);
    EXPECT_NE(source.find("Name=\"Inventory.vmoptions\""), std::string::npos);
    EXPECT_EQ(read("out.msi").compare(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"), 0) << "no Installer database";
    EXPECT_NE(output_.find("msiexec /i out.msi /qn"), std::string::npos) << output_;
    std::string upgradeCode = defaultUpgradeCode("Inventory");
    EXPECT_NE(output_.find(upgradeCode), std::string::npos) << output_;

    // The WiX source alone needs no tools; the package names the missing ones.
    write("service.toml", "[service]\nname = \"Inventory\"\n[java]\nmain_class = \"app.Main\"\n[msi]\nversion = \"3.0.1\"\n");
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);
    int sourceOnly = pack("service.toml --wxs alone.wxs");
    int package = pack("service.toml --msi alone.msi");
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(sourceOnly, 0);
    EXPECT_TRUE(exists("alone.wxs"));
    EXPECT_EQ(package, 1);
    EXPECT_NE(errors_.find("wixl (Debian package wixl) and msibuild (Debian package msitools)"), std::string::npos)
        << errors_;
    EXPECT_FALSE(exists("alone.msi"));
}

}  // namespace
