// The service folder the real tool writes: its files, the resources it takes
// them from, and what it does to folders that already exist.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "common/settings_schema.h"
#include "tests/packaging/pack_fixture.h"

namespace {

const char kMinimal[] = "[service]\nname = \"Beat\"\n[java]\nmain_class = \"com.example.Main\"\n";

class ServiceFolder : public PackFixture {
protected:
    // Every file below the scratch directory's entry, "/"-separated and sorted.
    std::vector<std::string> filesBelow(const std::string &name) {
        std::vector<std::string> files;
        std::filesystem::path root = path(name);
        for (const auto &entry : std::filesystem::recursive_directory_iterator(root))
            if (entry.is_regular_file())
                files.push_back(entry.path().lexically_relative(root).generic_string());
        std::sort(files.begin(), files.end());
        return files;
    }
    // Staging or set-aside directories left beside "out".
    bool leftovers() {
        for (const auto &entry : std::filesystem::directory_iterator(directory_))
            if (entry.path().filename().string().rfind(".out.", 0) == 0)
                return true;
        return false;
    }
    bool startsWith(const std::string &bytes, const std::string &prefix) {
        return bytes.compare(0, prefix.size(), prefix) == 0;
    }
};

TEST_F(ServiceFolder, HoldsTheLauncherTheRuntimeFilesAndTheProjectsFiles) {
    write("build/libs/app.jar", "app");
    write("build/libs/ext/db.jar", "db");
    write("README.txt", "read me");
    ASSERT_EQ(packFolder(std::string(kMinimal) +
                         "vmoptions_file = [\"-Xmx1g\", \"-Dsite=a b\"]\n"
                         "[runtime]\npreferred = \"C:/Java/jdk-17\"\n"
                         "[[file]]\nsource = \"build/libs\"\n"
                         "[[file]]\nsource = \"README.txt\"\nname = \"doc/readme.txt\"\n"),
              0)
        << errors_;
    EXPECT_EQ(filesBelow("out"), (std::vector<std::string>{".zanthor/pref_jre.cfg", ".zanthor/znoinst.dll",
                                                           ".zanthor/znoruntime.jar", "Beat.exe", "Beat.vmoptions",
                                                           "doc/readme.txt", "libs/app.jar", "libs/ext/db.jar"}));
    EXPECT_TRUE(startsWith(read("out/Beat.exe"), launcherBytes("x86_64")));
    EXPECT_EQ(read("out/.zanthor/znoinst.dll"), helperBytes("x86_64"));
    EXPECT_EQ(read("out/.zanthor/znoruntime.jar"), jarBytes());
    EXPECT_EQ(read("out/.zanthor/pref_jre.cfg"), "C:\\Java\\jdk-17\r\n");
    EXPECT_EQ(read("out/Beat.vmoptions"),
              "# VM options of Beat.exe, one per line; read at every start.\r\n-Xmx1g\r\n-Dsite=a b\r\n");
    EXPECT_EQ(read("out/libs/ext/db.jar"), "db");
    EXPECT_NE(output_.find("Wrote the service folder out (x86_64 launcher)"), std::string::npos) << output_;
    EXPECT_FALSE(leftovers());
}

TEST_F(ServiceFolder, NoVmOptionsFileOrPreferredRuntimeUnlessGiven) {
    ASSERT_EQ(packFolder(kMinimal), 0) << errors_;
    EXPECT_EQ(filesBelow("out"),
              (std::vector<std::string>{".zanthor/znoinst.dll", ".zanthor/znoruntime.jar", "Beat.exe"}));
}

TEST_F(ServiceFolder, ArchitectureChoosesLauncherAndHelperTogether) {
    ASSERT_EQ(packFolder(kMinimal, "--arch x86_64"), 0) << errors_;
    EXPECT_TRUE(startsWith(read("out/Beat.exe"), launcherBytes("x86_64")));
    EXPECT_EQ(read("out/.zanthor/znoinst.dll"), helperBytes("x86_64"));

    write("custom.exe", launcherBytes("x86_64"));
    ASSERT_EQ(packFolder(kMinimal, "--replace --stub custom.exe"), 0) << errors_;
    EXPECT_EQ(read("out/.zanthor/znoinst.dll"), helperBytes("x86_64"));
    EXPECT_NE(output_.find("(x86_64 launcher)"), std::string::npos) << output_;

    EXPECT_EQ(packFolder(kMinimal, "--replace --stub custom.exe --arch i686"), 1);
    EXPECT_NE(errors_.find("custom.exe is no i686 Windows executable"), std::string::npos) << errors_;
    EXPECT_EQ(pack("service.toml --folder other --arch arm"), 1);
    EXPECT_NE(errors_.find("--arch takes auto, i686 or x86_64"), std::string::npos) << errors_;
}

// Without --arch the launcher follows the runtime the service will try first:
// a preferred one this machine can read, else a bundled one the folder carries.
TEST_F(ServiceFolder, LauncherFollowsTheRuntimeTheFolderCarries) {
    ASSERT_EQ(packFolder(kMinimal), 0) << errors_;
    EXPECT_NE(output_.find("Launcher: x86_64 (the default: no runtime in the folder to match"), std::string::npos)
        << output_;

    write("jre32/bin/java.exe", runtimeImage(0x14C));
    write("jre32/bin/server/jvm.dll", runtimeImage(0x14C));
    ASSERT_EQ(packFolder(kMinimal, "--replace --file jre32=jre"), 0) << errors_;
    EXPECT_TRUE(startsWith(read("out/Beat.exe"), launcherBytes("i686")));
    EXPECT_EQ(read("out/.zanthor/znoinst.dll"), helperBytes("i686"));
    EXPECT_NE(output_.find("Launcher: i686 (matches the bundled runtime jre: jre32/bin/java.exe is x86 (i686))"),
              std::string::npos)
        << output_;

    write("jdk64/bin/java.exe", runtimeImage(0x8664));
    std::string bundled = std::string(kMinimal) + "[runtime]\nsearch = [{ bundled = \"runtime\" }]\n";
    ASSERT_EQ(packFolder(bundled, "--replace --file jdk64=runtime"), 0) << errors_;
    EXPECT_TRUE(startsWith(read("out/Beat.exe"), launcherBytes("x86_64")));
    ASSERT_EQ(packFolder(kMinimal, "--replace --preferred-runtime " + path("jre32")), 0) << errors_;
    EXPECT_TRUE(startsWith(read("out/Beat.exe"), launcherBytes("i686")));

    // An asked-for launcher that cannot run the bundled runtime: nothing is written.
    EXPECT_EQ(pack("service.toml --folder other --arch x86_64 --file jre32=jre"), 1);
    EXPECT_NE(errors_.find("--arch x86_64 contradicts the bundled runtime jre: jre32/bin/java.exe is x86 (i686)"),
              std::string::npos)
        << errors_;
    std::string asked = "[service]\nname = \"Beat\"\narch = \"i686\"\n" + bundled.substr(bundled.find("[java]"));
    EXPECT_EQ(packFolder(asked, "--replace --file jdk64=runtime"), 1);
    EXPECT_NE(errors_.find("service.arch = \"i686\" contradicts the bundled runtime runtime"), std::string::npos)
        << errors_;
    EXPECT_TRUE(startsWith(read("out/Beat.exe"), launcherBytes("i686")));
    EXPECT_FALSE(exists("other"));
    EXPECT_FALSE(leftovers());
}

TEST_F(ServiceFolder, UnusableBundledRuntimesAreNamedAndNothingIsWritten) {
    std::string arm = runtimeImage(0xAA64);
    write("notes/readme.txt", "no runtime");
    const struct {
        const char *file;
        std::string bytes;
        const char *error;
    } cases[] = {
        {"bin/java.exe", "#!/bin/sh\n", "jre/bin/java.exe is no Windows executable"},
        {"bin/java.exe", runtimeImage(0x14C).substr(0, 100), "jre/bin/java.exe is truncated"},
        {"bin/java.exe", arm, "jre/bin/java.exe is built for ARM64; the launchers run an x86 (i686) or x64"},
        {"bin/server/jvm.dll", runtimeImage(0x14C), "jre/bin/server/jvm.dll is built for x86 (i686) but"},
    };
    for (const auto &c : cases) {
        std::filesystem::remove_all(path("jre"));
        write("jre/bin/java.exe", runtimeImage(0x8664));
        write(std::string("jre/") + c.file, c.bytes);
        EXPECT_EQ(packFolder(kMinimal, "--file jre"), 1) << c.error;
        EXPECT_NE(errors_.find(c.error), std::string::npos) << errors_;
        EXPECT_FALSE(exists("out"));
    }
    EXPECT_EQ(packFolder(kMinimal, "--file notes=jre"), 1);
    EXPECT_NE(errors_.find("the bundled runtime jre holds no bin/java.exe"), std::string::npos) << errors_;
    EXPECT_FALSE(exists("out"));
    EXPECT_FALSE(leftovers());
}

TEST_F(ServiceFolder, CommandLineAddsFilesAndOverridesThePreferredRuntime) {
    write("dist/app.jar", "app");
    write("bridge/bin/java.exe", "java");
    ASSERT_EQ(packFolder(std::string(kMinimal) + "[runtime]\npreferred = \"C:/Java\"\n",
                         "--file dist/app.jar=libs/app.jar --file bridge --preferred-runtime 'Z:\\bridge home'"),
              0)
        << errors_;
    EXPECT_EQ(read("out/libs/app.jar"), "app");
    EXPECT_EQ(read("out/bridge/bin/java.exe"), "java");
    EXPECT_EQ(read("out/.zanthor/pref_jre.cfg"), "Z:\\bridge home\r\n");
}

TEST_F(ServiceFolder, InstallationFolderRecordPlacesTheRuntimeFiles) {
    ASSERT_EQ(packFolder(std::string(kMinimal) + "[records]\n10003 = \".\\\\app\"\n"), 0) << errors_;
    EXPECT_TRUE(exists("out/app/.zanthor/znoruntime.jar"));
    EXPECT_TRUE(exists("out/app/.zanthor/znoinst.dll"));
    for (const char *outside : {"..\\\\up", "C:\\\\abs", "\\\\root"}) {
        EXPECT_EQ(packFolder(std::string(kMinimal) + "[records]\n10003 = \"" + outside + "\"\n", "--replace"), 1);
        EXPECT_NE(errors_.find("record 10003"), std::string::npos) << errors_;
    }
}

TEST_F(ServiceFolder, ExistingFoldersAreReplacedOnlyWhenTheyAreServiceFolders) {
    std::filesystem::create_directories(path("out"));
    ASSERT_EQ(packFolder(kMinimal), 0) << errors_;  // an empty folder is taken over

    write("out/var/log/old.log", "old");
    EXPECT_EQ(packFolder(kMinimal), 1);
    EXPECT_NE(errors_.find("exists and is not empty; --replace"), std::string::npos) << errors_;
    EXPECT_EQ(read("out/var/log/old.log"), "old");
    ASSERT_EQ(packFolder(kMinimal, "--replace"), 0) << errors_;
    EXPECT_FALSE(exists("out/var/log/old.log"));
    EXPECT_TRUE(exists("out/Beat.exe"));

    write("home/notes.txt", "mine");
    write("service.toml", kMinimal);
    EXPECT_EQ(pack("service.toml --folder home --replace"), 1);
    EXPECT_NE(errors_.find("holds no .zanthor folder"), std::string::npos) << errors_;
    EXPECT_EQ(filesBelow("home"), std::vector<std::string>{"notes.txt"});
    write("plain", "a file");
    EXPECT_EQ(pack("service.toml --folder plain"), 1);
    EXPECT_NE(errors_.find("exists and is not a directory"), std::string::npos) << errors_;
    EXPECT_FALSE(leftovers());
}

TEST_F(ServiceFolder, NamesThatWouldCollideOrLeaveTheFolderAreRefused) {
    write("x.txt", "x");
    write("libs", "a file named libs");
    write("linked/a.txt", "a");
    ASSERT_EQ(symlink(path("x.txt").c_str(), path("linked/secret.txt").c_str()), 0);
    const struct {
        const char *arguments;
        const char *error;
    } cases[] = {
        {"--file x.txt=beat.EXE", "\"beat.EXE\" would be written twice"},
        {"--file x.txt=.zanthor/znoinst.dll", "\".zanthor/znoinst.dll\" would be written twice"},
        {"--file libs --file x.txt=libs/x.txt", "\"libs\" would be both a file and a folder"},
        {"--file x.txt=../x.txt", "must stay inside the service folder"},
        {"--file x.txt=/etc/x.txt", "must be a path relative to the service folder"},
        {"--file x.txt=a:b", "must stay inside the service folder"},
        {"--file missing.txt", "cannot read missing.txt"},
        {"--file linked", "linked/secret.txt is a symbolic link"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(packFolder(kMinimal, c.arguments), 1) << c.arguments;
        EXPECT_NE(errors_.find(c.error), std::string::npos) << c.arguments << ": " << errors_;
        EXPECT_FALSE(exists("out"));
    }
    EXPECT_FALSE(leftovers());
}

TEST_F(ServiceFolder, UnusableResourcesAreNamedAndNothingIsWritten) {
    std::remove(path("resources/x86_64/znoinst.dll").c_str());
    EXPECT_EQ(packFolder(kMinimal), 1);
    EXPECT_NE(errors_.find("cannot read the helper library resources/x86_64/znoinst.dll"), std::string::npos)
        << errors_;

    write("resources/x86_64/znoinst.dll", helperBytes("i686"));
    EXPECT_EQ(packFolder(kMinimal), 1);
    EXPECT_NE(errors_.find("znoinst.dll is no x86_64 library like the launcher"), std::string::npos) << errors_;

    write("resources/x86_64/znoinst.dll", helperBytes("x86_64"));
    write("resources/znoruntime.jar", "not a zip");
    EXPECT_EQ(packFolder(kMinimal), 1);
    EXPECT_NE(errors_.find("znoruntime.jar is no jar file"), std::string::npos) << errors_;

    write("resources/znoruntime.jar", jarBytes());
    write("resources/x86_64/pellux.exe", "text");
    EXPECT_EQ(packFolder(kMinimal), 1);
    EXPECT_NE(errors_.find("pellux.exe is no x86_64 Windows executable"), std::string::npos) << errors_;
    EXPECT_FALSE(exists("out"));
    EXPECT_FALSE(leftovers());
}

TEST_F(ServiceFolder, OutputAloneWritesTheConfiguredLauncher) {
    write("service.toml", kMinimal);
    ASSERT_EQ(pack("service.toml --output one.exe --arch x86_64"), 0) << errors_;
    EXPECT_TRUE(startsWith(read("one.exe"), launcherBytes("x86_64")));
    EXPECT_EQ(record(blockOf("one.exe"), 101), "Beat");

    EXPECT_EQ(pack("service.toml --output two.exe --file x.txt"), 1);
    EXPECT_NE(errors_.find("--replace, --file and --preferred-runtime belong to --folder"), std::string::npos);
    EXPECT_EQ(pack("service.toml --output two.exe --folder out"), 1);
    EXPECT_NE(errors_.find("give either --folder DIR"), std::string::npos);
    EXPECT_FALSE(exists("two.exe"));
}

TEST_F(ServiceFolder, RawProjectsNeedAServiceNameForTheExecutable) {
    EXPECT_EQ(packFolder("[records]\n122 = \"com.example.Main\"\n"), 1);
    EXPECT_NE(errors_.find("the project names no executable"), std::string::npos) << errors_;
}

TEST_F(ServiceFolder, HelpExplainsTheProjectFile) {
    ASSERT_EQ(pack("--help"), 0);
    for (const char *part : {"--folder DIR", "--arch auto|x86_64|i686", "[service]", "main_class", "vmoptions_file",
                             "[runtime]", "[output]", "[instance]", "[[file]]", "[records]"})
        EXPECT_NE(output_.find(part), std::string::npos) << part;
}

// The user guide's key tables show each key of the schema with its default
// and bounds, and no key the schema lacks.
TEST(UserGuide, KeyTablesShowTheSchema) {
    std::ifstream guideFile(PELLUX_USER_GUIDE);
    ASSERT_TRUE(guideFile) << PELLUX_USER_GUIDE;
    std::map<std::string, std::pair<std::string, std::string>> rows;  // key: default, meaning
    for (std::string line; std::getline(guideFile, line);) {
        size_t keyEnd = line.find("` | ");
        if (line.rfind("| `", 0) != 0 || keyEnd == std::string::npos)
            continue;
        std::string rest = line.substr(keyEnd + 4);
        size_t cell = rest.find(" | ");
        rows[line.substr(3, keyEnd - 3)] = {rest.substr(0, cell), cell == std::string::npos ? "" : rest.substr(cell)};
    }
    for (const SettingRow &setting : kSettingsSchema) {
        if (!setting.key)
            continue;
        auto row = rows.find(setting.key);
        ASSERT_NE(row, rows.end()) << setting.key;
        const std::string &shown = row->second.first;
        if (setting.keyDefault) {
            EXPECT_EQ(shown.rfind("`" + std::string(setting.keyDefault) + "`", 0), 0u) << setting.key << ": " << shown;
        } else {
            EXPECT_NE(shown[0], '`') << setting.key << ": " << shown;
        }
        bool number = setting.type == SettingType::kInteger || setting.type == SettingType::kClamped;
        std::string bounds = "(" + std::to_string(setting.low) + " to " + std::to_string(setting.high) + ")";
        if (number && setting.keyDefault && isdigit(static_cast<unsigned char>(setting.keyDefault[0]))) {
            EXPECT_NE(row->second.second.find(bounds), std::string::npos) << setting.key << " should show " << bounds;
        }
    }
    for (const auto &row : rows) {
        std::string section = row.first.substr(0, row.first.find('.'));
        if (section != "service" && section != "java" && section != "runtime" && section != "output" &&
            section != "instance")
            continue;
        bool known = false;
        for (const SettingRow &setting : kSettingsSchema)
            known = known || (setting.key && row.first == setting.key);
        EXPECT_TRUE(known) << row.first << " is in the guide, not in the schema";
    }
}

}  // namespace
