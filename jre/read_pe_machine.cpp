#include "jre/read_pe_machine.h"

#include <cerrno>
#include <cstdio>

#include "diagnostics/log.h"

namespace {

bool readBytes(FILE *file, unsigned char *bytes, size_t count) {
    return fread(bytes, 1, count, file) == count;
}

uint16_t failWith(FILE *file, const wchar_t *text, const char *path) {
    fclose(file);
    logMessage(text, path);
    return 0;
}

}  // namespace

uint16_t readPeMachine(const char *path) {
    FILE *file = fopen(path, "rb");
    if (!file) {
        logMessage(L"could not open %S %d %p", path, errno, static_cast<void *>(file));
        return 0;
    }
    unsigned char bytes[4];
    if (!readBytes(file, bytes, 2) || bytes[0] != 'M' || bytes[1] != 'Z')
        return failWith(file, L"no PE32 file %S", path);
    if (fseek(file, 60, SEEK_SET) != 0)
        return failWith(file, L"no PE32 file 2 %S", path);
    if (!readBytes(file, bytes, 4))
        return failWith(file, L"no PE32 file 3 %S", path);
    unsigned long headerOffset = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<unsigned long>(bytes[3]) << 24);
    // fseek takes a signed long; an offset beyond it cannot be a header here.
    if (headerOffset > 0x7FFFFFFFul || fseek(file, static_cast<long>(headerOffset), SEEK_SET) != 0)
        return failWith(file, L"no PE32 file 4 %S", path);
    if (!readBytes(file, bytes, 4) || bytes[0] != 'P' || bytes[1] != 'E' || bytes[2] != 0 || bytes[3] != 0)
        return failWith(file, L"no PE32 file 5 %S", path);
    if (!readBytes(file, bytes, 2))
        return failWith(file, L"no PE32 file 6 %S", path);
    fclose(file);
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}
