// Record 2003's name list and the entries behind the block come from the
// file: every name the launcher would extract must stay inside its directory,
// and the scrambled copy must restore exactly the bytes it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/embedded_files_copy.h"
#include "config/embedded_files_format.h"
#include "tests/fuzz/fuzz_input.h"
#include "writer/block_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    std::string list = input.piece();
    for (const std::string &name : embeddedFileNames(list)) {
        if (name.empty() || name.find(';') != std::string::npos)
            abort();
        std::string directory = embeddedFileDirectory(name);
        if (directory.size() > name.size() || name.compare(0, directory.size(), directory) != 0)
            abort();
        std::string reason;
        if (checkEmbeddedFileName(name, &reason) && !isContainedEmbeddedName(name))
            abort();  // the writer would store a name the launcher refuses
    }
    std::string stored = input.rest();
    int64_t wanted = stored.empty() ? 0 : static_cast<unsigned char>(stored[0]) * 97;
    MemorySource source(stored);
    MemorySink sink;
    int result = copyScrambledBytes(source, sink, wanted, true);
    bool enough = static_cast<uint64_t>(wanted) <= stored.size();
    if ((result == kExtractDone) != enough)
        abort();
    if (result == kExtractDone) {
        std::string restored = stored.substr(0, static_cast<size_t>(wanted));
        scrambleBytes(reinterpret_cast<unsigned char *>(&restored[0]), restored.size());
        if (sink.bytes != restored)
            abort();
    }
    return 0;
}
