#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/host/fake_executable.h"

namespace {

class PackTool : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pellux-pack-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory_ = pattern;
        write("stub.exe", fakeExecutable(0x800));
    }
    void TearDown() override { std::system(("rm -rf '" + directory_ + "'").c_str()); }

    std::string path(const std::string &name) { return directory_ + "/" + name; }
    void write(const std::string &name, const std::string &bytes) {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
    bool exists(const std::string &name) { return access(path(name).c_str(), F_OK) == 0; }
    // Runs the tool; returns its exit code and leaves its standard error in errors_.
    int pack(const std::string &stub, const std::string &config) {
        std::string command = std::string(PELLUX_PACK_TOOL) + " --stub '" + path(stub) + "' --config '" +
                              path(config) + "' --output '" + path("out.exe") + "' 2>'" + path("errors.txt") + "'";
        int status = std::system(command.c_str());
        std::ifstream in(path("errors.txt"));
        std::stringstream text;
        text << in.rdbuf();
        errors_ = text.str();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string directory_;
    std::string errors_;
};

TEST_F(PackTool, WritesTheConfiguredLauncher) {
    write("app.toml", "[records]\n101 = \"Svc\"\n");
    EXPECT_EQ(pack("stub.exe", "app.toml"), 0) << errors_;
    EXPECT_TRUE(exists("out.exe"));
}

TEST_F(PackTool, BadInputLeavesNoOutputFile) {
    write("bad.toml", "[records]\n101 = \"Svc\"\nname = 1\n");
    write("good.toml", "[records]\n101 = \"Svc\"\n");
    write("text.exe", "this is not a program");
    EXPECT_EQ(pack("stub.exe", "bad.toml"), 1);
    EXPECT_NE(errors_.find("bad.toml:3: id \"name\""), std::string::npos) << errors_;
    EXPECT_EQ(pack("missing.exe", "good.toml"), 1);
    EXPECT_NE(errors_.find("cannot read the launcher"), std::string::npos) << errors_;
    EXPECT_EQ(pack("text.exe", "good.toml"), 1);
    EXPECT_NE(errors_.find("not a PE executable"), std::string::npos) << errors_;
    EXPECT_FALSE(exists("out.exe"));
    EXPECT_FALSE(exists("out.exe.partial"));
}

// A NUL would cut a stored text; a link planted where the output is first
// written must not be written through.
TEST_F(PackTool, RefusesNulTextsAndWritesUnderAFreshName) {
    write("nul.toml", "[records]\n101 = \"Svc\\u0000Other\"\n");
    EXPECT_EQ(pack("stub.exe", "nul.toml"), 1);
    EXPECT_NE(errors_.find("nul.toml:2: a text holds a NUL character"), std::string::npos) << errors_;

    write("victim", "keep");
    ASSERT_EQ(symlink(path("victim").c_str(), path("out.exe.partial").c_str()), 0);
    write("good.toml", "[records]\n101 = \"Svc\"\n");
    EXPECT_EQ(pack("stub.exe", "good.toml"), 0) << errors_;
    EXPECT_TRUE(exists("out.exe"));
    std::ifstream victim(path("victim"));
    std::string kept;
    victim >> kept;
    EXPECT_EQ(kept, "keep");
}

}  // namespace
