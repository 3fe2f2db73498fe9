#include <cstdlib>

#include "entry/entry_point.h"

int main() { return runLauncher(); }

// The C runtime's start-up patches references to data imported from DLLs
// without dllimport. The launcher has none (the linker writes an empty list),
// so this stands in for the runtime's relocator and the section walker it
// pulls in; should such a reference ever appear, the launcher stops at once.
extern "C" char __RUNTIME_PSEUDO_RELOC_LIST__, __RUNTIME_PSEUDO_RELOC_LIST_END__;

extern "C" void _pei386_runtime_relocator() {
    if (&__RUNTIME_PSEUDO_RELOC_LIST__ != &__RUNTIME_PSEUDO_RELOC_LIST_END__)
        std::abort();
}
