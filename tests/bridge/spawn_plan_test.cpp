#include "bridge/spawn_plan.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

extern char **environ;

namespace {

TEST(DosDeviceLinks, drive_links_are_found_and_other_paths_are_not) {
    EXPECT_EQ(dosDeviceLinkOf("/home/u/.wine/dosdevices/c:/users/x.jar"), "/home/u/.wine/dosdevices/c:");
    EXPECT_EQ(dosDeviceLinkOf("/home/u/.wine/dosdevices/D:"), "/home/u/.wine/dosdevices/D:");
    EXPECT_EQ(dosDeviceLinkOf("/tmp/x.jar"), "");
    EXPECT_EQ(dosDeviceLinkOf("/p/dosdevices/com1"), "");
    EXPECT_EQ(dosDeviceLinkOf("/p/dosdevices/c::x"), "");
    EXPECT_EQ(dosDeviceLinkOf("/p/dosdevices/1:/x"), "");
    EXPECT_EQ(dosDeviceLinkOf("/p/dosdevices/c"), "");
}

TEST(SpawnArguments, counted_sections_follow_the_script) {
    SpawnPlan plan;
    plan.nonce = "abc";
    plan.ports[STREAM_INPUT] = 1;
    plan.ports[STREAM_OUTPUT] = 2;
    plan.ports[STREAM_ERROR] = 3;
    plan.workingDirectory = "/w";
    plan.driveLinks = {"/p/dosdevices/c:"};
    plan.environment = {"A=1", "B"};
    plan.command = {"java", "-version"};
    std::vector<std::string> arguments = buildSpawnArguments(plan);
    ASSERT_EQ(arguments.size(), 16u);
    EXPECT_EQ(arguments[0], "/bin/bash");
    EXPECT_EQ(arguments[1], "-c");
    std::vector<std::string> rest(arguments.begin() + 3, arguments.end());
    EXPECT_EQ(rest, (std::vector<std::string>{"bridge", "abc", "/w", "1", "2", "3", "1", "/p/dosdevices/c:", "2",
                                              "A=1", "B", "java", "-version"}));
}

// ---- the script itself, run natively against sockets of this test ----------

int listenOnLoopback(unsigned short &port) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    timeval limit = {10, 0};
    setsockopt(listener, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    if (bind(listener, reinterpret_cast<sockaddr *>(&address), length) != 0 || listen(listener, 2) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        close(listener);
        return -1;
    }
    port = ntohs(address.sin_port);
    return listener;
}

std::string readAll(int stream) {
    std::string text;
    char buffer[512];
    ssize_t count;
    while ((count = read(stream, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(count));
    return text;
}

// Sets or removes a variable for the test's lifetime and puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(const char *name, const char *value) : name_(name) {
        const char *old = std::getenv(name);
        hadOld_ = old != nullptr;
        if (hadOld_)
            old_ = old;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedVariable() {
        if (hadOld_)
            setenv(name_.c_str(), old_.c_str(), 1);
        else
            unsetenv(name_.c_str());
    }

private:
    std::string name_, old_;
    bool hadOld_ = false;
};

class SpawnScript : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/bridge-plan-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        mkdir((root_ + "/drive_c").c_str(), 0700);
        mkdir((root_ + "/dosdevices").c_str(), 0700);
        ASSERT_EQ(symlink("../drive_c", (root_ + "/dosdevices/c:").c_str()), 0);
        char real[PATH_MAX];
        ASSERT_NE(realpath((root_ + "/drive_c").c_str(), real), nullptr);
        driveC_ = real;
    }
    void TearDown() override {
        unlink((root_ + "/dosdevices/c:").c_str());
        rmdir((root_ + "/dosdevices").c_str());
        rmdir((root_ + "/drive_c").c_str());
        rmdir(root_.c_str());
    }

    // Runs the plan's command through the script; fills the plan's ports.
    int run(SpawnPlan &plan, const std::string &input, std::string &output, std::string &error) {
        int listeners[STREAM_COUNT];
        for (int i = 0; i < STREAM_COUNT; i++)
            listeners[i] = listenOnLoopback(plan.ports[i]);
        std::vector<std::string> arguments = buildSpawnArguments(plan);
        std::vector<char *> argv;
        for (std::string &argument : arguments)
            argv.push_back(&argument[0]);
        argv.push_back(nullptr);
        pid_t child = 0;
        if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            return -1;
        int streams[STREAM_COUNT];
        for (int i = 0; i < STREAM_COUNT; i++) {
            streams[i] = accept(listeners[i], nullptr, nullptr);
            close(listeners[i]);
            timeval limit = {10, 0};
            setsockopt(streams[i], SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
            std::string nonceLine(plan.nonce.size() + 1, '\0');
            if (streams[i] < 0 || recv(streams[i], &nonceLine[0], nonceLine.size(), MSG_WAITALL) !=
                                      static_cast<ssize_t>(nonceLine.size()) ||
                nonceLine != plan.nonce + "\n")
                ADD_FAILURE() << "stream " << i << " did not start with the nonce";
        }
        if (write(streams[STREAM_INPUT], input.data(), input.size()) != static_cast<ssize_t>(input.size()))
            ADD_FAILURE() << "input not written";
        shutdown(streams[STREAM_INPUT], SHUT_WR);
        output = readAll(streams[STREAM_OUTPUT]);
        error = readAll(streams[STREAM_ERROR]);
        for (int stream : streams)
            close(stream);
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string root_, driveC_;
};

TEST_F(SpawnScript, drive_links_environment_locale_and_streams_reach_the_program) {
    ScopedVariable leak("_JAVA_OPTIONS", "-Dfrom.linux=1");
    ScopedVariable lang("LANG", nullptr), all("LC_ALL", nullptr), ctype("LC_CTYPE", nullptr);
    std::string link = root_ + "/dosdevices/c:";
    SpawnPlan plan;
    plan.nonce = "0123abcd";
    plan.workingDirectory = link;
    plan.driveLinks = {link};
    plan.environment = {"_JAVA_OPTIONS", "JDK_JAVA_OPTIONS=-Dx=1 -Dy=2"};
    plan.command = {"/bin/sh", "-c",
                    "printf '%s\\n' \"$1\"; pwd -P; echo \"[${_JAVA_OPTIONS-unset}] [$JDK_JAVA_OPTIONS] [$LC_ALL]\"; "
                    "read line; echo \"got $line\"; read more || echo \"end of input\"; echo oops >&2; exit 9",
                    "sh", link + "/a.jar:" + link + "/lib dir/b.jar"};
    std::string output, error;
    EXPECT_EQ(run(plan, "hello\n", output, error), 9);
    EXPECT_EQ(output, driveC_ + "/a.jar:" + driveC_ + "/lib dir/b.jar\n" + driveC_ + "\n" +
                          "[unset] [-Dx=1 -Dy=2] [C.UTF-8]\ngot hello\nend of input\n");
    EXPECT_EQ(error, "oops\n");
}

TEST_F(SpawnScript, a_utf8_locale_is_kept_and_a_missing_directory_falls_back_to_root) {
    ScopedVariable all("LC_ALL", nullptr), ctype("LC_CTYPE", nullptr), lang("LANG", "de_DE.utf8");
    SpawnPlan plan;
    plan.nonce = "n";
    plan.workingDirectory = root_ + "/no such directory";
    plan.command = {"/bin/sh", "-c", "pwd; echo \"[${LC_ALL-unset}] [$LANG]\""};
    std::string output, error;
    EXPECT_EQ(run(plan, "", output, error), 0);
    EXPECT_EQ(output, "/\n[unset] [de_DE.utf8]\n");
}

TEST_F(SpawnScript, a_program_that_cannot_run_reports_on_the_error_stream) {
    SpawnPlan plan;
    plan.nonce = "n";
    plan.command = {root_ + "/missing-java", "-version"};
    std::string output, error;
    EXPECT_EQ(run(plan, "", output, error), 127);
    EXPECT_NE(error.find("missing-java"), std::string::npos) << error;
}

}  // namespace
