#include "config/embedded_files_copy.h"

#include "common/text.h"
#include "config/embedded_files_format.h"
#include "diagnostics/log.h"

bool MemorySink::write(const void *buffer, uint32_t size, uint32_t *written, uint32_t *error) {
    bytes.append(static_cast<const char *>(buffer), size);
    *written = size;
    *error = 0;
    return true;
}

// Repeats partial writes from where the previous one stopped. A write that
// reports success without taking a byte counts as a failure rather than a
// reason to spin.
static bool writeWhole(ByteSink &sink, const unsigned char *buffer, uint32_t size) {
    uint32_t done = 0;
    while (done < size) {
        uint32_t written = 0, error = 0;
        if (!sink.write(buffer + done, size - done, &written, &error) || written == 0 || written > size - done) {
            logError("WriteFile failed %d %d", static_cast<int>(size - done), static_cast<int>(error));
            return false;
        }
        done += written;
    }
    return true;
}

int copyScrambledBytes(ByteSource &source, ByteSink &sink, int64_t size, bool scramble) {
    unsigned char buffer[kExtractPieceSize];
    int64_t copied = 0;
    while (copied < size) {
        int64_t left = size - copied;
        uint32_t wanted = left < kExtractPieceSize ? static_cast<uint32_t>(left) : kExtractPieceSize;
        uint32_t error = 0;
        uint32_t count = source.read(buffer, wanted, &error);
        if (count == 0 || error != 0) {
            logError("ReadFile failed %d %d %I64d", static_cast<int>(count), static_cast<int>(error), copied);
            return kExtractReadFailed;
        }
        if (scramble)
            scrambleBytes(buffer, count);
        if (!writeWhole(sink, buffer, count))
            return kExtractWriteFailed;
        copied += count;
    }
    return kExtractDone;
}

std::vector<std::string> embeddedFileNames(const std::string &list) {
    std::vector<std::string> names;
    size_t pos = 0;
    for (std::string name = nextToken(list, pos, ';'); !name.empty(); name = nextToken(list, pos, ';'))
        names.push_back(name);
    return names;
}

std::string embeddedFileDirectory(const std::string &name) {
    size_t backslash = name.find('\\');
    return backslash == std::string::npos ? std::string() : name.substr(0, backslash);
}
