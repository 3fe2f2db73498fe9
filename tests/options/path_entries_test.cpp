// The class path and module path from typed entries, overrides, the launcher's
// temporary directory and the runtime jar, against a machine made up here.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "jvm/path_entries.h"
#include "tests/host/log_capture.h"

namespace {

typedef std::vector<std::string> Texts;

// Relative paths live below C:\App\. A directory search hands out the whole
// listing in the order it was made, as a short-name match could: the caller
// must pick the extension itself.
class FakeMachine : public PathEntrySystem {
public:
    std::map<std::string, std::string> variables;    // "${NAME}" in entries
    std::map<std::string, std::string> environment;  // what environmentValue sees
    std::set<std::string> paths;
    std::map<std::string, Texts> listings;

    void directory(const std::string &path, const Texts &names) {
        paths.insert(path);
        listings[path] = names;
    }
    std::string expand(const std::string &text) override {
        std::string expanded = text;
        for (const auto &variable : variables) {
            size_t at = expanded.find("${" + variable.first + "}");
            if (at != std::string::npos)
                expanded.replace(at, variable.first.size() + 3, variable.second);
        }
        return expanded;
    }
    std::string resolve(const std::string &path) override {
        return path.compare(1, 2, ":\\") == 0 ? path : "C:\\App\\" + path;
    }
    bool exists(const std::string &path) override { return paths.count(path) != 0; }
    std::vector<std::string> findFiles(const std::string &pattern) override {
        return listings[pattern.substr(0, pattern.rfind("\\*"))];
    }
    std::optional<std::string> environmentValue(const std::string &name) override {
        if (environment.count(name) == 0)
            return std::nullopt;
        return environment[name];
    }
    std::string applicationDirectory() override { return "C:\\App\\"; }
};

class PathEntries : public ::testing::Test {
protected:
    void SetUp() override { capturedLog().clear(); }

    std::string classPathOf(const std::string &entries) {
        std::string path;
        EXPECT_EQ(appendPathEntries(machine, entries, true, path).messageId, 0);
        return path;
    }
    PathEntryFailure failureOf(const std::string &entries) {
        std::string path;
        return appendPathEntries(machine, entries, true, path);
    }

    FakeMachine machine;
};

TEST_F(PathEntries, DirectoryArchivesJarsFirstInFileSystemOrderThenZips) {
    machine.directory("C:\\App\\libs", {"b.jar", "a.zip", "a.JAR", "notes.txt", "c.jarx"});
    EXPECT_EQ(classPathOf("S0libs;"), "C:\\App\\libs\\b.jar;C:\\App\\libs\\a.JAR;C:\\App\\libs\\a.zip;");
    machine.directory("C:\\App\\empty", {});
    EXPECT_EQ(classPathOf("S1empty;;A;X0whatever;S0"), "");
    EXPECT_TRUE(logContains(L"entries 3"));
}

TEST_F(PathEntries, NamedPathsResolveAgainstTheExecutableAndEachMustExistWhenRequired) {
    machine.variables["JARS"] = "one.jar;;D:\\two";
    machine.paths = {"C:\\App\\one.jar", "D:\\two"};
    EXPECT_EQ(classPathOf("A1${JARS};A0missing.jar"), "C:\\App\\one.jar;D:\\two;C:\\App\\missing.jar;");
    machine.paths.erase("D:\\two");
    PathEntryFailure failure = failureOf("A1${JARS}");
    EXPECT_EQ(failure.messageId, 1006);
    EXPECT_EQ(failure.argument, "one.jar;;D:\\two");
    EXPECT_EQ(failureOf("S1nodir").messageId, 1006);
    EXPECT_EQ(failureOf("X1whatever").messageId, 1006);
}

TEST_F(PathEntries, VariableEntryAddsItsValueWithoutSurroundingQuotes) {
    machine.environment = {{"QUOTED", "\"C:\\with space\\x.jar\""}, {"LIST", "C:\\a.jar;"}, {"ONE", "\""}};
    EXPECT_EQ(classPathOf("E1QUOTED;E0LIST;E0UNSET;E1ONE"), "C:\\with space\\x.jar;C:\\a.jar;\";");
    machine.variables["NAME"] = "UNSET";
    PathEntryFailure failure = failureOf("E1${NAME}");
    EXPECT_EQ(failure.messageId, 1008);
    EXPECT_EQ(failure.argument, "UNSET");
}

TEST_F(PathEntries, ModulePathNamesDirectoriesInsteadOfTheirArchives) {
    machine.directory("C:\\App\\mods", {"m.jar"});
    std::string path;
    EXPECT_EQ(appendPathEntries(machine, "S1mods", false, path).messageId, 0);
    EXPECT_EQ(path, "C:\\App\\mods;");
}

class PathTextsTest : public PathEntries {
protected:
    void SetUp() override {
        PathEntries::SetUp();
        machine.directory("C:\\Temp\\e4j", {"x.zip", "y.jar"});
        machine.directory("C:\\App\\libs", {"lib.jar"});
        sources.launcherTempDir = "C:\\Temp\\e4j";
        sources.runtimeJar = true;
        sources.classPathEntries = "S0libs;";
    }
    PathTexts build() {
        PathTexts texts = buildPathTexts(machine, sources);
        EXPECT_EQ(texts.failure.messageId, 0);
        return texts;
    }

    PathTextSources sources;
    const std::string extras = "C:\\Temp\\e4j\\y.jar;C:\\Temp\\e4j\\x.zip;C:\\App\\.zanthor\\znoruntime.jar";
};

TEST_F(PathTextsTest, ClassPathHoldsTempArchivesThenRuntimeJarThenConfiguredEntries) {
    PathTexts texts = build();
    EXPECT_EQ(texts.classPath, "-Djava.class.path=" + extras + ";C:\\App\\libs\\lib.jar");
    EXPECT_EQ(texts.modulePath, "");
    EXPECT_TRUE(logContains(L"adding preconfigured modulepath"));
    EXPECT_TRUE(logContains(L"adding preconfigured classpath"));
}

TEST_F(PathTextsTest, OverridesFrameTheClassPathAndReplacementDropsOnlyConfiguredEntries) {
    sources.overrides.prepend = "C:\\pre";
    sources.overrides.append = "C:\\post";
    EXPECT_EQ(build().classPath, "-Djava.class.path=C:\\pre;" + extras + ";C:\\App\\libs\\lib.jar;C:\\post");
    sources.overrides.replacement = "C:\\only";
    capturedLog().clear();
    EXPECT_EQ(build().classPath, "-Djava.class.path=C:\\pre;" + extras + ";C:\\only;C:\\post");
    EXPECT_FALSE(logContains(L"adding preconfigured classpath"));
}

TEST_F(PathTextsTest, ModuleMainClassAloneMakesAModulePathOfTheExtras) {
    sources.moduleMainClass = true;
    sources.classPathEntries = "";
    PathTexts texts = build();
    EXPECT_EQ(texts.modulePath, extras);
    EXPECT_EQ(texts.classPath, "-Djava.class.path=");
}

TEST_F(PathTextsTest, WithoutExtrasOnlyOneTrailingSemicolonIsDropped) {
    sources.launcherTempDir = "";
    sources.runtimeJar = false;
    sources.overrides.append = "C:\\post;;";
    EXPECT_EQ(build().classPath, "-Djava.class.path=C:\\App\\libs\\lib.jar;C:\\post;");
}

}  // namespace
