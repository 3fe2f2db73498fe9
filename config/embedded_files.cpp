#include "config/embedded_files.h"

#include <windows.h>

#include <string>
#include <vector>

#include "common/records.h"
#include "common/win32_handles.h"
#include "config/embedded_files_copy.h"
#include "config/embedded_files_format.h"
#include "config/load_config.h"
#include "config/settings.h"
#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "paths/temp_dirs.h"

namespace {

class FileSink : public ByteSink {
public:
    explicit FileSink(HANDLE file) : file_(file) {}
    bool write(const void *buffer, uint32_t size, uint32_t *written, uint32_t *error) override {
        DWORD count = 0;
        BOOL ok = WriteFile(file_, buffer, size, &count, nullptr);
        *written = count;
        *error = ok ? 0 : GetLastError();
        return ok != FALSE;
    }

private:
    HANDLE file_;
};

// One entry: its size field, then its content into the destination.
int extractOneFile(FileSource &source, const std::string &destination) {
    int64_t size;
    if (!readLong(source, &size))
        fatalText(blockErrorText(BlockError::ReadLong));
    logMessage("extracting %S (size: %I64d)", destination.c_str(), size);
    if (size <= 0)
        return kExtractDone;
    // Never through a file or link that is already there: the directory is fresh.
    // Narrow: the temporary directory is the narrow path the VM is given.
    UniqueHandle file(CreateFileA(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        logError("could not create %S (%d)", destination.c_str(), static_cast<int>(GetLastError()));
        fatalMessage(message::kInternalError, "11");
    }
    FileSink sink(file.get());
    // Closed on return, failure included: the fatal exit that follows cannot
    // delete an unshared file that is still open, and would leave the
    // directory behind.
    return copyScrambledBytes(source, sink, size, true);
}

void createEmbeddedFileDirectory(const std::string &tempDir, const std::string &name) {
    std::string directory = embeddedFileDirectory(name);
    if (directory.empty())
        return;
    std::string path = tempDir + "\\" + directory;
    logMessage("creating directory %S", path.c_str());
    // Narrow: the temporary directory is the narrow path the VM is given.
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        logError("failed to create directory %S", path.c_str());
}

int extractNamedFile(FileSource &source, const std::string &tempDir, const std::string &name) {
    std::string destination = tempDir + "\\" + name;
    int result;
    if (!isContainedEmbeddedName(name)) {
        logError("embedded file name %S leads outside the temporary directory", name.c_str());
        result = kExtractNameRefused;
    } else {
        createEmbeddedFileDirectory(tempDir, name);
        result = extractOneFile(source, destination);
    }
    if (result != kExtractDone)
        logError("Failed to extract %S", destination.c_str());
    return result;
}

void reportTempDirFailure(TempDirResult result) {
    if (result == TempDirResult::NoTempRoot)
        fatalMessage(message::kNoTempRoot);
    if (result == TempDirResult::NotCreated)
        fatalMessage(message::kInternalError, "7");
}

bool takesHostTempDir(const Settings &settings, bool serviceWorker) {
    return serviceWorker && settings.flag(record::kHostRemovesWorkerTempDir);
}

}  // namespace

int extractEmbeddedFiles(const Settings &settings, bool serviceWorker, LauncherTempDir &tempDir,
                         uint32_t *unextractedOffset) {
    logMessage("extracting files");
    int32_t count = settings.integer(record::kEmbeddedFileCount);
    logMessage("Included files: %d", count);
    // A negative count is as good as none; it must not create a directory.
    if (count <= 0)
        return kExtractDone;
    if (!(takesHostTempDir(settings, serviceWorker) && adoptWorkerTempDir(tempDir)))
        reportTempDirFailure(createLauncherTempDir(tempDir));
    // Without a directory every name would resolve against the drive root.
    if (tempDir.path.empty()) {
        logError("no temporary directory to extract into");
        return kExtractWriteFailed;
    }
    UniqueHandle file = openOwnExecutable();
    FileSource source(file.get());
    source.seek(settings.embeddedDataOffset);
    std::vector<std::string> names = embeddedFileNames(settings.text(record::kEmbeddedFileNames));
    int result = kExtractDone;
    for (size_t i = 0; i < names.size() && i < static_cast<size_t>(count) && result == kExtractDone; i++)
        result = extractNamedFile(source, tempDir.path, names[i]);
    if (result == kExtractDone) {
        *unextractedOffset = source.position();
        logMessage("extracting files done");
    }
    return result;
}
