#include "tests/packaging/pack_fixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "config/config_block.h"
#include "tests/host/fake_executable.h"

namespace {

// A PE header of the given machine, sized so each resource's bytes differ.
std::string peImage(uint32_t size, uint16_t machine) {
    std::string bytes = fakeExecutable(size);
    putAt(bytes, 0x80 + 4, machine, 2);
    return bytes;
}

std::string noLocale() { return "en"; }

}  // namespace

void PackFixture::SetUp() {
    char pattern[] = "/tmp/pellux-packaging-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory_ = pattern;
    for (const char *arch : {"i686", "x86_64"}) {
        write(std::string("resources/") + arch + "/pellux.exe", launcherBytes(arch));
        write(std::string("resources/") + arch + "/znoinst.dll", helperBytes(arch));
    }
    write("resources/znoruntime.jar", jarBytes());
}

void PackFixture::TearDown() { std::system(("rm -rf '" + directory_ + "'").c_str()); }

void PackFixture::write(const std::string &name, const std::string &bytes) {
    std::string full = path(name);
    std::system(("mkdir -p \"$(dirname '" + full + "')\"").c_str());
    std::ofstream(full, std::ios::binary) << bytes;
}

bool PackFixture::exists(const std::string &name) const { return access(path(name).c_str(), F_OK) == 0; }

std::string PackFixture::read(const std::string &name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

int PackFixture::pack(const std::string &arguments) {
    std::string command = "cd '" + directory_ + "' && " + PELLUX_PACK_TOOL + " --resources resources " + arguments +
                          " >stdout.txt 2>stderr.txt";
    int status = std::system(command.c_str());
    output_ = read("stdout.txt");
    errors_ = read("stderr.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int PackFixture::packFolder(const std::string &text, const std::string &moreArguments) {
    write("service.toml", text);
    return pack("service.toml --folder out " + moreArguments);
}

Settings PackFixture::blockOf(const std::string &executable) {
    std::string bytes = read(executable);
    MemorySource source(bytes);
    Settings store;
    uint32_t dataOffset = 0;
    EXPECT_EQ(locateConfigBlock(source), BlockError::None);
    EXPECT_EQ(parseConfigBlock(source, store, noLocale, &dataOffset), BlockError::None);
    return store;
}

std::string PackFixture::record(const Settings &store, int32_t id) {
    auto found = store.records.find(id);
    return found == store.records.end() ? "<missing>" : found->second;
}

std::string PackFixture::launcherBytes(const std::string &arch) {
    return peImage(arch == "i686" ? 0x800 : 0xA00, arch == "i686" ? 0x14C : 0x8664);
}

std::string PackFixture::helperBytes(const std::string &arch) {
    return peImage(arch == "i686" ? 0x600 : 0x700, arch == "i686" ? 0x14C : 0x8664);
}

std::string PackFixture::runtimeImage(uint16_t machine) { return peImage(0x400, machine); }

std::string PackFixture::jarBytes() {
    return std::string("PK\x03\x04") + " runtime classes com/pellux/service/ServiceState.class";
}
