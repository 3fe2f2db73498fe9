// The platform-neutral half of embedded file extraction: the name list and
// the scrambled copy in pieces, over a ByteSource and a ByteSink so that the
// same code runs on files and in memory.
#ifndef PELLUX_CONFIG_EMBEDDED_FILES_COPY_H
#define PELLUX_CONFIG_EMBEDDED_FILES_COPY_H

#include <cstdint>
#include <string>
#include <vector>

#include "config/config_block.h"

// Results of the copy and of extracting one file.
const int kExtractDone = 0;
const int kExtractReadFailed = 1;
const int kExtractWriteFailed = 2;
// A name that would land outside the launcher temporary directory.
const int kExtractNameRefused = 3;

// Bytes are copied in pieces of this size.
const uint32_t kExtractPieceSize = 6000;

// Where copied bytes go. write may take fewer bytes than offered; it answers
// false with the system error code on failure.
class ByteSink {
public:
    virtual ~ByteSink() {}
    virtual bool write(const void *buffer, uint32_t size, uint32_t *written, uint32_t *error) = 0;
};

class MemorySink : public ByteSink {
public:
    bool write(const void *buffer, uint32_t size, uint32_t *written, uint32_t *error) override;
    std::string bytes;
};

// Copies size bytes from the source's position, restoring scrambled bytes
// when scramble is set. Returns kExtractDone, kExtractReadFailed (the source
// failed or ended early) or kExtractWriteFailed; the failure is logged.
int copyScrambledBytes(ByteSource &source, ByteSink &sink, int64_t size, bool scramble);

// The names of record 2003: split at ";", runs of separators count as one.
std::vector<std::string> embeddedFileNames(const std::string &list);

// The directory to create before extracting the name: the part before its
// first backslash, or empty when it has none.
std::string embeddedFileDirectory(const std::string &name);

#endif
