// What the launcher would read from a configured executable the writer made;
// a block that does not read back is a finding.
#ifndef PELLUX_TESTS_FUZZ_READ_BACK_H
#define PELLUX_TESTS_FUZZ_READ_BACK_H

#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/config_block.h"

inline Settings readBackBlock(const std::string &launcher, std::string (*locale)(), uint32_t *dataOffset) {
    MemorySource source(launcher);
    Settings store;
    if (locateConfigBlock(source) != BlockError::None ||
        parseConfigBlock(source, store, locale, dataOffset) != BlockError::None)
        abort();
    return store;
}

#endif
