// The [[embed]] entries of the packaging tool's project file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "writer/project_file.h"

namespace {

class ProjectEmbed : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pellux-embed-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory_ = pattern;
        write("app.jar", "jar bytes");
        write("notes.txt", "notes");
    }
    void TearDown() override {
        for (const char *name : {"app.jar", "notes.txt", "project.toml"})
            std::remove((directory_ + "/" + name).c_str());
        std::remove(directory_.c_str());
    }
    void write(const std::string &name, const std::string &bytes) {
        std::ofstream(directory_ + "/" + name, std::ios::binary) << bytes;
    }
    bool read(const std::string &text) {
        error_.clear();
        return readProjectFile(directory_ + "/project.toml", text, &content_, &error_);
    }

    std::string directory_;
    BlockContent content_;
    std::string error_;
};

TEST_F(ProjectEmbed, SourcesAreReadBesideTheProjectFile) {
    ASSERT_TRUE(read("[[embed]]\nsource = \"app.jar\"\nname = \"lib/app.jar\"\n"
                     "[[embed]]\nsource = \"" + directory_ + "/notes.txt\"\n")) << error_;
    ASSERT_EQ(content_.embeddedFiles.size(), 2u);
    EXPECT_EQ(content_.embeddedFiles[0].name, "lib\\app.jar");
    EXPECT_EQ(content_.embeddedFiles[0].bytes, "jar bytes");
    EXPECT_EQ(content_.embeddedFiles[1].name, "notes.txt");
    EXPECT_EQ(content_.embeddedFiles[1].bytes, "notes");
}

TEST_F(ProjectEmbed, MistakesNameTheFileAndLine) {
    const struct {
        const char *text;
        const char *error;
    } cases[] = {
        {"[[embed]]\nname = \"a.jar\"\n", "project.toml:1: embed entry needs a source"},
        {"[[embed]]\nsource = \"app.jar\"\nname = \"../app.jar\"\n", "project.toml:3: embedded file name \"..\\app.jar\""},
        {"[[embed]]\nsource = \"missing.jar\"\n", "project.toml:2: cannot read the embedded file"},
        {"[[embed]]\nsource = \"./\"\nname = \"d.jar\"\n", "project.toml:2: cannot read the embedded file"},
        {"[[embed]]\nsource = \"app.jar\"\ntarget = \"x\"\n", "project.toml:3: unknown key \"target\""},
        {"embed = \"app.jar\"\n", "project.toml:1: embed must be an array of tables"},
        {"[[embed]]\nsource = \"app.jar\"\nname = 5\n", "project.toml:3: embed name must be a text"},
    };
    for (const auto &c : cases) {
        EXPECT_FALSE(read(c.text)) << c.text;
        EXPECT_NE(error_.find(c.error), std::string::npos) << c.text << "\n" << error_;
    }
}

}  // namespace
