#include "common/pe_image.h"


namespace {

const uint64_t kHeaderOffsetField = 60;

uint32_t littleEndian(const unsigned char *bytes, int width) {
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; i--)
        value = (value << 8) | bytes[i];
    return value;
}

bool readExactly(PeByteSource &source, uint64_t offset, unsigned char *buffer, size_t size) {
    return source.readAt(offset, buffer, size) == size;
}

class StringSource : public PeByteSource {
public:
    explicit StringSource(const std::string &bytes) : bytes_(bytes) {}
    size_t readAt(uint64_t offset, unsigned char *buffer, size_t size) override {
        if (offset >= bytes_.size())
            return 0;
        size_t available = bytes_.size() - static_cast<size_t>(offset);
        size_t count = size < available ? size : available;
        bytes_.copy(reinterpret_cast<char *>(buffer), count, static_cast<size_t>(offset));
        return count;
    }

private:
    const std::string &bytes_;
};

}  // namespace

PeHeader readPeHeader(PeByteSource &source) {
    PeHeader header;
    unsigned char bytes[4];
    if (!readExactly(source, 0, bytes, 2) || bytes[0] != 'M' || bytes[1] != 'Z')
        return header;
    header.status = PeHeaderStatus::NoHeaderOffset;
    if (!readExactly(source, kHeaderOffsetField, bytes, 4))
        return header;
    uint32_t offset = littleEndian(bytes, 4);
    header.status = PeHeaderStatus::HeaderOutsideFile;
    if (!readExactly(source, offset, bytes, 4))
        return header;
    header.status = PeHeaderStatus::NoPeSignature;
    if (bytes[0] != 'P' || bytes[1] != 'E' || bytes[2] != 0 || bytes[3] != 0)
        return header;
    header.headerOffset = offset;
    header.status = PeHeaderStatus::NoMachineField;
    // The offset is 32 bits wide, so offset + 4 cannot wrap in 64.
    if (!readExactly(source, static_cast<uint64_t>(offset) + 4, bytes, 2))
        return header;
    header.machine = static_cast<uint16_t>(littleEndian(bytes, 2));
    header.status = PeHeaderStatus::Ok;
    return header;
}

PeHeader readPeHeader(const std::string &bytes) {
    StringSource source(bytes);
    return readPeHeader(source);
}

PeSections readPeSections(PeByteSource &source, const PeHeader &header, uint64_t fileSize) {
    const uint64_t kSectionEntrySize = 40;
    PeSections sections;
    sections.status = PeSectionStatus::TableOutsideFile;
    unsigned char bytes[8];
    if (header.status != PeHeaderStatus::Ok || !readExactly(source, header.headerOffset + 6ull, bytes, 2) ||
        !readExactly(source, header.headerOffset + 20ull, bytes + 2, 2))
        return sections;
    sections.count = static_cast<uint16_t>(littleEndian(bytes, 2));
    sections.optionalHeaderSize = static_cast<uint16_t>(littleEndian(bytes + 2, 2));
    if (sections.count == 0) {
        sections.status = PeSectionStatus::NoSections;
        return sections;
    }
    uint64_t table = header.headerOffset + 24ull + sections.optionalHeaderSize;
    uint64_t last = table + kSectionEntrySize * (sections.count - 1u);
    if (table + kSectionEntrySize * sections.count > fileSize || !readExactly(source, last + 16, bytes, 8))
        return sections;
    sections.lastRawSize = littleEndian(bytes, 4);
    sections.lastRawOffset = littleEndian(bytes + 4, 4);
    sections.status = sections.end() > fileSize ? PeSectionStatus::LastSectionOutsideFile : PeSectionStatus::Ok;
    return sections;
}

bool peHasSignature(const std::string &bytes, const PeHeader &header) {
    const uint64_t kOptionalHeader = 24, kPe32Magic = 0x10B, kPe32PlusMagic = 0x20B, kSecurityEntry = 4;
    StringSource source(bytes);
    unsigned char field[8];
    uint64_t optional = static_cast<uint64_t>(header.headerOffset) + kOptionalHeader;
    if (header.status != PeHeaderStatus::Ok || !readExactly(source, optional, field, 2))
        return false;
    uint32_t magic = littleEndian(field, 2);
    // Where the directory count stands; the directories follow it.
    uint64_t count = magic == kPe32Magic ? 92 : magic == kPe32PlusMagic ? 108 : 0;
    if (count == 0 || !readExactly(source, optional + count, field, 4) || littleEndian(field, 4) <= kSecurityEntry)
        return false;
    if (!readExactly(source, optional + count + 4 + 8 * kSecurityEntry, field, 8))
        return false;
    return littleEndian(field, 4) != 0 || littleEndian(field + 4, 4) != 0;
}

PeSections readPeSections(const std::string &bytes, const PeHeader &header) {
    StringSource source(bytes);
    return readPeSections(source, header, bytes.size());
}

const char *launcherArchOfMachine(uint16_t machine) {
    switch (machine) {
    case pe_machine::kI386: return "i686";
    case pe_machine::kAmd64: return "x86_64";
    default: return "";
    }
}

std::string peMachineName(uint16_t machine) {
    switch (machine) {
    case pe_machine::kI386: return "x86";
    case pe_machine::kAmd64: return "x64";
    case pe_machine::kArm64: return "ARM64";
    default: break;
    }
    static const char kHexDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 12; shift >= 0; shift -= 4)
        text += kHexDigits[(machine >> shift) & 0xF];
    return text;
}

const char *peHeaderProblem(PeHeaderStatus status) {
    switch (status) {
    case PeHeaderStatus::Ok: return "";
    case PeHeaderStatus::NoMzSignature: return "is no Windows executable (no MZ header)";
    case PeHeaderStatus::NoHeaderOffset: return "is truncated: it ends inside the MZ header";
    case PeHeaderStatus::HeaderOutsideFile: return "is truncated: it ends before the PE header";
    case PeHeaderStatus::NoPeSignature: return "is no PE image: no PE header where the MZ header points";
    case PeHeaderStatus::NoMachineField: return "is truncated: it ends inside the PE header";
    }
    return "";
}
