// Runs the real packaging tool in a scratch directory with made-up resources
// (launchers and helper libraries that are just PE headers, a tiny jar) and
// reads back what it wrote.
#ifndef PELLUX_TESTS_PACKAGING_PACK_FIXTURE_H
#define PELLUX_TESTS_PACKAGING_PACK_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "config/settings.h"

class PackFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string path(const std::string &name) const { return directory_ + "/" + name; }
    void write(const std::string &name, const std::string &bytes);
    bool exists(const std::string &name) const;
    std::string read(const std::string &name) const;

    // Runs pellux-pack with the arguments (a shell fragment) from the scratch
    // directory, with --resources pointing at the made-up ones; returns the
    // exit code and keeps standard output and error.
    int pack(const std::string &arguments);
    // service.toml with text, packed into the folder "out".
    int packFolder(const std::string &text, const std::string &moreArguments = "");

    // The configuration block of an executable in the scratch directory.
    Settings blockOf(const std::string &executable);
    // A record, or "<missing>".
    static std::string record(const Settings &store, int32_t id);

    // The made-up resources' bytes, to compare copies with.
    static std::string launcherBytes(const std::string &arch);
    static std::string helperBytes(const std::string &arch);
    static std::string jarBytes();
    // A PE header of the machine, as a runtime's java.exe or jvm.dll.
    static std::string runtimeImage(uint16_t machine);

    std::string directory_;
    std::string output_;
    std::string errors_;
};

#endif
