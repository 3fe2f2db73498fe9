// Embedded files: the files the block writer appended behind the
// configuration block, copied into the launcher temporary directory before
// the Java runtime is searched.
#ifndef PELLUX_CONFIG_EMBEDDED_FILES_H
#define PELLUX_CONFIG_EMBEDDED_FILES_H

#include <cstdint>

#include "config/settings.h"

// File offset just behind the last extracted entry; 0 when nothing was
// extracted. The Java side reads the rest of the executable from there.
extern uint32_t unextractedOffset;

// Extracts the files named by records 2002 and 2003 into launcherTempDir,
// creating that directory first when createDirectory is set. Returns 0, or
// the failing file's code (config/embedded_files_copy.h); the caller ends the
// process on failure. A destination that cannot be created is fatal here.
int extractEmbeddedFiles(const Settings &settings, bool createDirectory);

#endif
