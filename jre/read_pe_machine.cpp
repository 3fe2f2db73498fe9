#include "jre/read_pe_machine.h"

#include <cerrno>
#include <cstdio>

#include "common/pe_image.h"
#include "diagnostics/log.h"

namespace {

class FileBytes : public PeByteSource {
public:
    explicit FileBytes(FILE *file) : file_(file) {}
    size_t readAt(uint64_t offset, unsigned char *buffer, size_t size) override {
        // fseek takes a signed long, 32 bits on Windows; an offset beyond it
        // cannot be a header here.
        if (offset > 0x7FFFFFFFull || fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) {
            seekFailed = true;
            return 0;
        }
        return fread(buffer, 1, size, file_);
    }
    bool seekFailed = false;

private:
    FILE *file_;
};

// The log line of each step at which the header could not be read.
const wchar_t *failureLine(PeHeaderStatus status, bool seekFailed) {
    switch (status) {
    case PeHeaderStatus::NoMzSignature: return L"no PE32 file %S";
    case PeHeaderStatus::NoHeaderOffset: return L"no PE32 file 3 %S";
    case PeHeaderStatus::HeaderOutsideFile: return seekFailed ? L"no PE32 file 4 %S" : L"no PE32 file 5 %S";
    case PeHeaderStatus::NoPeSignature: return L"no PE32 file 5 %S";
    default: return L"no PE32 file 6 %S";
    }
}

}  // namespace

uint16_t readPeMachine(const char *path) {
    FILE *file = fopen(path, "rb");
    if (!file) {
        logMessage("could not open %S %d %p", path, errno, static_cast<void *>(file));
        return 0;
    }
    FileBytes bytes(file);
    PeHeader header = readPeHeader(bytes);
    fclose(file);
    if (header.status != PeHeaderStatus::Ok) {
        logMessage(failureLine(header.status, bytes.seekFailed), path);
        return 0;
    }
    return header.machine;
}
