// The header fields of a PE image (an .exe or .dll) that decide which Windows
// target it is for, read from any byte source with every offset checked
// against what the source holds. No Win32 here: the packing tool reads runtime
// homes on the build machine with it, the launcher its own files on Windows.
#ifndef PELLUX_COMMON_PE_IMAGE_H
#define PELLUX_COMMON_PE_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace pe_machine {
constexpr uint16_t kI386 = 0x014C;
constexpr uint16_t kAmd64 = 0x8664;
constexpr uint16_t kArm64 = 0xAA64;
}  // namespace pe_machine

// How far the header could be read, in file order.
enum class PeHeaderStatus {
    Ok,
    NoMzSignature,   // shorter than 2 bytes, or not "MZ"
    NoHeaderOffset,     // the file ends before the header offset at 60
    HeaderOutsideFile,  // the offset points at or near the end of the file
    NoPeSignature,      // no "PE\0\0" where the offset points
    NoMachineField,     // the file ends inside the machine field
};

struct PeHeader {
    PeHeaderStatus status = PeHeaderStatus::NoMzSignature;
    uint32_t headerOffset = 0;  // where "PE\0\0" is, once found
    uint16_t machine = 0;       // valid when status is Ok
};

// Bytes at an offset; reading past the end yields fewer bytes, never an error.
class PeByteSource {
public:
    // Copies up to size bytes at offset into buffer; returns how many it copied.
    virtual size_t readAt(uint64_t offset, unsigned char *buffer, size_t size) = 0;

protected:
    ~PeByteSource() = default;
};

PeHeader readPeHeader(PeByteSource &source);
PeHeader readPeHeader(const std::string &bytes);

enum class PeSectionStatus {
    Ok,
    NoSections,              // a section count of 0
    TableOutsideFile,        // the section table does not fit in the file
    LastSectionOutsideFile,  // the last section's raw data ends past the file
};

struct PeSections {
    PeSectionStatus status = PeSectionStatus::NoSections;
    uint16_t count = 0;
    uint16_t optionalHeaderSize = 0;
    uint32_t lastRawOffset = 0;
    uint32_t lastRawSize = 0;
    // Where the last section's raw data ends: the first byte after the image.
    uint64_t end() const { return static_cast<uint64_t>(lastRawOffset) + lastRawSize; }
};

// The section table of a header read with status Ok; fileSize bounds the
// table and the last section's data.
PeSections readPeSections(PeByteSource &source, const PeHeader &header, uint64_t fileSize);
PeSections readPeSections(const std::string &bytes, const PeHeader &header);

// Whether the image carries an Authenticode signature: its security data
// directory is set. Signing covers everything after the image too, so a block
// appended to a signed file breaks the signature. False when the optional
// header is too short to have the directory.
bool peHasSignature(const std::string &bytes, const PeHeader &header);

// "i686" for x86, "x86_64" for x64: the names of the launcher builds; empty
// for every other machine.
const char *launcherArchOfMachine(uint16_t machine);
// A name for messages: "x86", "x64", "ARM64", or the value in hexadecimal.
std::string peMachineName(uint16_t machine);
// Why a file is no usable PE image, for messages; empty for Ok.
const char *peHeaderProblem(PeHeaderStatus status);

#endif
