// The class path and module path from typed entries, overrides, the launcher's
// temporary directory and the runtime jar, against a machine made up here.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "jvm/path_entries.h"
#include "tests/host/log_capture.h"

namespace {

typedef std::vector<std::string> Texts;

// Relative paths live below C:\App\. Directory listings keep the order they
// were made in; a pattern matches any case and also longer extensions, as
// short names make it do.
class FakeMachine : public PathEntrySystem {
public:
    std::map<std::string, std::string> variables;    // "${NAME}" in entries
    std::map<std::string, std::string> environment;  // what environmentValue sees
    std::set<std::string> paths;
    std::map<std::string, Texts> listings;

    void directory(const std::string &path, const Texts &names) {
        paths.insert(path);
        listings[path] = names;
        for (const std::string &name : names)
            paths.insert(path + "\\" + name);
    }

    std::string expand(const std::string &text) override {
        std::string expanded = text;
        for (const auto &variable : variables) {
            std::string reference = "${" + variable.first + "}";
            for (size_t at = expanded.find(reference); at != std::string::npos; at = expanded.find(reference, at))
                expanded.replace(at, reference.size(), variable.second);
        }
        return expanded;
    }
    std::string resolve(const std::string &path) override {
        bool absolute = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
        return absolute ? path : "C:\\App\\" + path;
    }
    bool exists(const std::string &path) override { return paths.count(path) != 0; }
    std::vector<std::string> findFiles(const std::string &pattern) override {
        size_t star = pattern.rfind("\\*");
        std::string directoryName = pattern.substr(0, star);
        std::string extension = pattern.substr(star + 2);
        Texts found;
        for (const std::string &name : listings[directoryName]) {
            std::string lowered = name;
            for (char &c : lowered)
                c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
            size_t dot = lowered.rfind('.');
            if (dot != std::string::npos && lowered.compare(dot, extension.size(), extension) == 0)
                found.push_back(name);
        }
        return found;
    }
    std::optional<std::string> environmentValue(const std::string &name) override {
        auto found = environment.find(name);
        if (found == environment.end())
            return std::nullopt;
        return found->second;
    }
    std::string applicationDirectory() override { return "C:\\App\\"; }
};

class PathEntries : public ::testing::Test {
protected:
    void SetUp() override { capturedLog().clear(); }

    std::string classPathOf(const std::string &entries, PathEntryFailure *failure = nullptr) {
        std::string path;
        PathEntryFailure result = appendPathEntries(machine, entries, true, path);
        if (failure)
            *failure = result;
        else
            EXPECT_EQ(result.messageId, 0) << result.argument;
        return path;
    }
    PathEntryFailure failureOf(const std::string &entries) {
        PathEntryFailure failure;
        classPathOf(entries, &failure);
        return failure;
    }

    FakeMachine machine;
};

TEST_F(PathEntries, DirectoryArchivesJarsFirstInFileSystemOrderThenZips) {
    machine.directory("C:\\App\\libs", {"b.jar", "a.zip", "a.jar", "notes.txt"});
    EXPECT_EQ(classPathOf("S0libs;"), "C:\\App\\libs\\b.jar;C:\\App\\libs\\a.jar;C:\\App\\libs\\a.zip;");
    EXPECT_TRUE(logContains(L"entry S0libs;"));
    EXPECT_TRUE(logContains(L"entries 1"));
}

TEST_F(PathEntries, ArchivePatternMatchesOnlyTheRealExtension) {
    machine.directory("C:\\App\\libs", {"a.jarx", "b.JAR", "c.zipped"});
    EXPECT_EQ(classPathOf("S1libs"), "C:\\App\\libs\\b.JAR;");
}

TEST_F(PathEntries, FilesAndDirectoriesResolveAgainstTheExecutable) {
    machine.paths = {"C:\\App\\app.jar", "D:\\classes"};
    EXPECT_EQ(classPathOf("A1app.jar;D1D:\\classes;A0missing.jar"),
              "C:\\App\\app.jar;D:\\classes;C:\\App\\missing.jar;");
    EXPECT_TRUE(logContains(L"entries 3"));
}

TEST_F(PathEntries, ShortEntriesAndUnknownTypesAddNothing) {
    EXPECT_EQ(classPathOf(";A;;X0whatever;S0"), "");
    EXPECT_TRUE(logContains(L"entries 2"));
}

TEST_F(PathEntries, RequiredEntryThatYieldsNothingFailsWithItsExpandedValue) {
    machine.variables["LIBS"] = "lib";
    machine.paths = {"C:\\App\\present.jar"};
    PathEntryFailure failure = failureOf("A1present.jar;A1${LIBS}\\gone.jar;A1never.jar");
    EXPECT_EQ(failure.messageId, 1006);
    EXPECT_EQ(failure.argument, "lib\\gone.jar");
    EXPECT_EQ(failureOf("S1nodir").messageId, 1006);
    EXPECT_EQ(failureOf("X1whatever").messageId, 1006);
}

TEST_F(PathEntries, RequiredDirectoryOfArchivesMayBeEmpty) {
    machine.directory("C:\\App\\empty", {});
    EXPECT_EQ(classPathOf("S1empty"), "");
}

TEST_F(PathEntries, ValueExpandingToSeveralPathsNeedsEachOfThem) {
    machine.variables["JARS"] = "one.jar;;two.jar";
    machine.paths = {"C:\\App\\one.jar", "C:\\App\\two.jar"};
    EXPECT_EQ(classPathOf("A1${JARS}"), "C:\\App\\one.jar;C:\\App\\two.jar;");
    machine.paths.erase("C:\\App\\two.jar");
    EXPECT_EQ(failureOf("A1${JARS}").messageId, 1006);
}

TEST_F(PathEntries, VariableEntryAddsItsValueWithoutSurroundingQuotes) {
    machine.environment = {{"QUOTED", "\"C:\\with space\\x.jar\""}, {"LIST", "C:\\a.jar;C:\\b.jar;"},
                           {"EMPTY", ""}};
    EXPECT_EQ(classPathOf("E1QUOTED;E0LIST;E1EMPTY"), "C:\\with space\\x.jar;C:\\a.jar;C:\\b.jar;;");
}

TEST_F(PathEntries, VariableOfASingleQuoteIsKeptWhole) {
    machine.environment = {{"ONE", "\""}, {"TWO", "\"\""}};
    EXPECT_EQ(classPathOf("E1ONE"), "\";");
    EXPECT_EQ(classPathOf("E1TWO"), ";");
    EXPECT_EQ(unquotedEnvironmentValue("\"x"), "\"x");
}

TEST_F(PathEntries, UndefinedVariableIsSkippedUnlessRequired) {
    EXPECT_EQ(classPathOf("E0NOPE"), "");
    machine.variables["NAME"] = "NOPE";
    PathEntryFailure failure = failureOf("E1${NAME}");
    EXPECT_EQ(failure.messageId, 1008);
    EXPECT_EQ(failure.argument, "NOPE");
}

TEST_F(PathEntries, ModulePathNamesDirectoriesInsteadOfTheirArchives) {
    machine.directory("C:\\App\\mods", {"m.jar"});
    std::string path;
    EXPECT_EQ(appendPathEntries(machine, "S1mods", false, path).messageId, 0);
    EXPECT_EQ(path, "C:\\App\\mods;");
    EXPECT_EQ(appendPathEntries(machine, "S1nomods", false, path).messageId, 1006);
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

TEST_F(PathTextsTest, PrependAndAppendOverridesFrameTheClassPath) {
    sources.overrides.prepend = "C:\\pre";
    sources.overrides.append = "C:\\post";
    EXPECT_EQ(build().classPath,
              "-Djava.class.path=C:\\pre;" + extras + ";C:\\App\\libs\\lib.jar;C:\\post");
}

TEST_F(PathTextsTest, ReplacementOverrideDropsOnlyTheConfiguredEntries) {
    sources.overrides = {std::string("C:\\only"), std::string("C:\\pre"), std::string("C:\\post")};
    capturedLog().clear();
    EXPECT_EQ(build().classPath, "-Djava.class.path=C:\\pre;" + extras + ";C:\\only;C:\\post");
    EXPECT_FALSE(logContains(L"adding preconfigured classpath"));
}

TEST_F(PathTextsTest, ExtrasGoToTheModulePathWhenThereIsOne) {
    machine.directory("C:\\App\\mods", {});
    sources.modulePathEntries = "S0mods";
    PathTexts texts = build();
    EXPECT_EQ(texts.modulePath, "C:\\App\\mods;" + extras);
    EXPECT_EQ(texts.classPath, "-Djava.class.path=C:\\App\\libs\\lib.jar");
}

TEST_F(PathTextsTest, ModuleMainClassAloneMakesAModulePathOfTheExtras) {
    sources.moduleMainClass = true;
    sources.classPathEntries = "";
    PathTexts texts = build();
    EXPECT_EQ(texts.modulePath, extras);
    EXPECT_EQ(texts.classPath, "-Djava.class.path=");
}

TEST_F(PathTextsTest, WithoutTempDirectoryOrRuntimeJarOnlyConfiguredEntries) {
    sources.launcherTempDir = "";
    sources.runtimeJar = false;
    machine.listings[""] = {"stray.jar"};
    EXPECT_EQ(build().classPath, "-Djava.class.path=C:\\App\\libs\\lib.jar");
}

TEST_F(PathTextsTest, OnlyOneTrailingSemicolonIsDropped) {
    sources.launcherTempDir = "";
    sources.runtimeJar = false;
    sources.overrides.append = "C:\\post;;";
    EXPECT_EQ(build().classPath, "-Djava.class.path=C:\\App\\libs\\lib.jar;C:\\post;");
}

TEST_F(PathTextsTest, RequiredEntryFailureStopsTheBuild) {
    sources.modulePathEntries = "D1gone";
    PathTexts texts = buildPathTexts(machine, sources);
    EXPECT_EQ(texts.failure.messageId, 1006);
    EXPECT_EQ(texts.failure.argument, "gone");
    sources.modulePathEntries = "";
    sources.classPathEntries = "E1UNSET";
    texts = buildPathTexts(machine, sources);
    EXPECT_EQ(texts.failure.messageId, 1008);
    EXPECT_EQ(texts.failure.argument, "UNSET");
}

}  // namespace
