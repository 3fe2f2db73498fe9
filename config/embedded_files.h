// Embedded files: the files the block writer appended behind the
// configuration block, copied into the launcher temporary directory before
// the Java runtime is searched.
#ifndef PELLUX_CONFIG_EMBEDDED_FILES_H
#define PELLUX_CONFIG_EMBEDDED_FILES_H

#include <cstdint>

#include "config/settings.h"
#include "paths/temp_dirs.h"

// Extracts the files named by records 2002 and 2003 into tempDir, which it
// creates first (a service worker may take the one its host made). On
// success unextractedOffset receives the file offset just behind the last
// entry, from where the Java side reads the rest of the executable; without
// files it is left alone. Returns 0, or the failing file's code
// (config/embedded_files_copy.h); the caller ends the process on failure. A
// destination that cannot be created is fatal here.
int extractEmbeddedFiles(const Settings &settings, bool serviceWorker, LauncherTempDir &tempDir,
                         uint32_t *unextractedOffset);

#endif
