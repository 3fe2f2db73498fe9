#include "runtime/process_hooks.h"

#include "diagnostics/fatal.h"
#include "diagnostics/log.h"
#include "paths/temp_dirs.h"

namespace {

// Without a usable root the log falls back to "c:\".
void tempRootForLog(wchar_t *out, size_t capacity) { getTempRoot(out, capacity); }

}  // namespace

void installProcessHooks() {
    setLogDirectorySource(tempRootForLog);
    failureDisplay().messageText = nullptr;
}
